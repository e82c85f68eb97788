// The stand-in IM client's virtual desktop: top-level chat windows with a tree of controls,
// driven through the same operations the system uses on the real client's windows.
//
// A chat window (class "StandardFrame", title buyer " - " seller) holds, in z-order:
//   0 TitleBar [Button, Button]          4 Button
//   1 ToolBar [Button, Button, Button]   5 SplitterPane  (a decoy laid out like 6)
//   2 Avatar                             6 SplitterPane
//   3 Label                              7 StatusBar
// SplitterPane 6: HistoryView [ScrollBar], ComposePane, AdPanel; its ComposePane holds
// FormatBar, EmotePicker, InputEdit, Button. The decoy's ComposePane holds a read-only
// HistoryView where 6's has its InputEdit. Only the InputEdit takes text and keys; every other
// control refuses them, so a walk that strays is noticed.
//
// Thread-safe: no (the service drives it from one thread).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::standin {

using Handle = std::uint64_t; // 0: no window

struct TopLevelInfo {
    Handle handle = 0;
    std::string className;
    std::string title;
};

class ChatBoard {
  public:
    // Called when Enter sends the input's text: the buyer it goes to, the seller, the text.
    using SendSink =
        std::function<void(std::string_view buyer, std::string_view seller, std::string_view text)>;

    explicit ChatBoard(SendSink sink) : m_sink(std::move(sink)) {}

    // The chat window of this conversation, opened when none of that title is open.
    Handle OpenChat(std::string_view seller, std::string_view buyer);

    // The topmost top-level window of that class and title.
    Handle Find(std::string_view className, std::string_view title) const;
    Handle FirstChild(Handle window) const;
    Handle NextSibling(Handle window) const;
    bool SetText(Handle window, std::string_view text);
    bool KeyDown(Handle window, unsigned virtualKey);
    bool KeyUp(Handle window, unsigned virtualKey);
    // Closes a top-level window with its controls; false for anything else.
    bool Close(Handle window);

    std::vector<TopLevelInfo> TopLevels() const;
    std::string ClassOf(Handle window) const;
    std::string TextOf(Handle window) const;

  private:
    struct Node {
        std::string className;
        std::string title;
        bool input = false;
        bool enterDown = false;
        std::string text;
        Handle parent = 0;
        std::vector<Handle> children; // topmost first
        Handle frame = 0;             // the chat window it belongs to
        std::string seller, buyer;    // chat windows only
    };

    Handle add(Handle parent, std::string className, bool input = false);
    void addComposeTree(Handle pane, bool decoy);
    const Node* node(Handle window) const;
    void erase(Handle window);

    SendSink m_sink;
    std::map<Handle, Node> m_nodes;
    std::vector<Handle> m_topLevels; // topmost first
    Handle m_next = 0x1000;
};

} // namespace quorvel::standin
