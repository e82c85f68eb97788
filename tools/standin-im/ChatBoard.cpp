#include "ChatBoard.h"

#include "text/Texts.h"

#include <algorithm>

namespace quorvel::standin {
namespace {

constexpr unsigned kVkReturn = 13;
constexpr std::string_view kFrameClass = text::kChatWindowClass.gbk;
constexpr std::string_view kTitleJoin = text::kChatTitleJoin.gbk;

} // namespace

Handle ChatBoard::add(Handle parent, std::string className, bool input) {
    const Handle handle = m_next++;
    Node& created = m_nodes[handle];
    created.className = std::move(className);
    created.input = input;
    created.parent = parent;
    if (parent != 0) {
        Node& owner = m_nodes.at(parent);
        owner.children.push_back(handle);
        created.frame = owner.frame;
    } else {
        created.frame = handle;
    }
    return handle;
}

void ChatBoard::addComposeTree(Handle pane, bool decoy) {
    const Handle history = add(pane, "HistoryView");
    add(history, "ScrollBar");
    const Handle compose = add(pane, "ComposePane");
    add(compose, "FormatBar");
    add(compose, "EmotePicker");
    if (decoy) {
        add(compose, "HistoryView");
    } else {
        add(compose, "InputEdit", true);
    }
    add(compose, "Button");
    add(pane, "AdPanel");
}

Handle ChatBoard::OpenChat(std::string_view seller, std::string_view buyer) {
    std::string title(buyer);
    title.append(kTitleJoin).append(seller);
    if (const Handle open = Find(kFrameClass, title); open != 0) {
        return open;
    }
    const Handle frame = add(0, std::string(kFrameClass));
    Node& chat = m_nodes.at(frame);
    chat.title = title;
    chat.seller = seller;
    chat.buyer = buyer;
    const Handle titleBar = add(frame, "TitleBar");
    add(titleBar, "Button");
    add(titleBar, "Button");
    const Handle toolBar = add(frame, "ToolBar");
    for (int i = 0; i < 3; ++i) {
        add(toolBar, "Button");
    }
    add(frame, "Avatar");
    add(frame, "Label");
    add(frame, "Button");
    addComposeTree(add(frame, "SplitterPane"), true);
    addComposeTree(add(frame, "SplitterPane"), false);
    add(frame, "StatusBar");
    m_topLevels.insert(m_topLevels.begin(), frame);
    return frame;
}

const ChatBoard::Node* ChatBoard::node(Handle window) const {
    const auto it = m_nodes.find(window);
    return it == m_nodes.end() ? nullptr : &it->second;
}

Handle ChatBoard::Find(std::string_view className, std::string_view title) const {
    for (const Handle handle : m_topLevels) {
        const Node& top = m_nodes.at(handle);
        if (top.className == className && top.title == title) {
            return handle;
        }
    }
    return 0;
}

Handle ChatBoard::FirstChild(Handle window) const {
    const Node* at = node(window);
    return (at == nullptr || at->children.empty()) ? 0 : at->children.front();
}

Handle ChatBoard::NextSibling(Handle window) const {
    const Node* at = node(window);
    if (at == nullptr) {
        return 0;
    }
    const std::vector<Handle>& row =
        at->parent == 0 ? m_topLevels : m_nodes.at(at->parent).children;
    const auto it = std::find(row.begin(), row.end(), window);
    return (it == row.end() || it + 1 == row.end()) ? 0 : *(it + 1);
}

bool ChatBoard::SetText(Handle window, std::string_view text) {
    const auto it = m_nodes.find(window);
    if (it == m_nodes.end() || !it->second.input) {
        return false;
    }
    it->second.text = std::string(text);
    return true;
}

bool ChatBoard::KeyDown(Handle window, unsigned virtualKey) {
    const auto it = m_nodes.find(window);
    if (it == m_nodes.end() || !it->second.input) {
        return false;
    }
    if (virtualKey == kVkReturn) {
        it->second.enterDown = true;
    }
    return true;
}

// Enter sends on its release after a press, as a key stroke does; an empty input sends nothing.
bool ChatBoard::KeyUp(Handle window, unsigned virtualKey) {
    const auto it = m_nodes.find(window);
    if (it == m_nodes.end() || !it->second.input) {
        return false;
    }
    Node& input = it->second;
    if (virtualKey == kVkReturn && input.enterDown) {
        input.enterDown = false;
        if (!input.text.empty()) {
            const Node& chat = m_nodes.at(input.frame);
            m_sink(chat.buyer, chat.seller, input.text);
            input.text.clear();
        }
    }
    return true;
}

void ChatBoard::erase(Handle window) {
    const auto it = m_nodes.find(window);
    if (it == m_nodes.end()) {
        return;
    }
    const std::vector<Handle> children = it->second.children;
    for (const Handle child : children) {
        erase(child);
    }
    m_nodes.erase(window);
}

bool ChatBoard::Close(Handle window) {
    const auto it = std::find(m_topLevels.begin(), m_topLevels.end(), window);
    if (it == m_topLevels.end()) {
        return false;
    }
    m_topLevels.erase(it);
    erase(window);
    return true;
}

std::vector<TopLevelInfo> ChatBoard::TopLevels() const {
    std::vector<TopLevelInfo> out;
    for (const Handle handle : m_topLevels) {
        const Node& top = m_nodes.at(handle);
        out.push_back({handle, top.className, top.title});
    }
    return out;
}

std::string ChatBoard::ClassOf(Handle window) const {
    const Node* at = node(window);
    return at == nullptr ? std::string() : at->className;
}

std::string ChatBoard::TextOf(Handle window) const {
    const Node* at = node(window);
    return at == nullptr ? std::string() : at->text;
}

} // namespace quorvel::standin
