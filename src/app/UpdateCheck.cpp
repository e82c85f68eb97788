#include "app/UpdateCheck.h"

#include "text/Gbk.h"
#include "text/Texts.h"
#include "web/Endpoints.h"
#include "web/HttpFetch.h"

namespace quorvel::app {

namespace t = quorvel::text;

FetchUpdateFile HttpUpdateFetch() {
    return [](const std::string& path) {
        web::HttpFetchRequest request;
        request.url = web::UpdateFileUrl(path);
        return std::string(t::UpToNul(web::HttpFetch(request).body));
    };
}

void ShowStartupNotice(const UpdatePorts& ports) {
    const std::string notice = ports.fetch(std::string(t::kUpdateTipPath.gbk));
    if (!notice.empty()) {
        ports.dialogs.ShowMessage(notice, t::kNoticeTitle.gbk, platform::DialogIcon::Information);
    }
}

void CheckForUpdate(const UpdatePorts& ports) {
    const std::string version = ports.fetch(std::string(t::kUpdateVersionPath.gbk));
    const std::string notes = ports.fetch(std::string(t::kUpdateNotesPath.gbk));
    const std::string address = ports.fetch(std::string(t::kUpdateAddressPath.gbk));
    // A host that could not be reached says nothing about versions: no offer then.
    if (version.empty() || version == t::kCheckedVersion.gbk) {
        return;
    }
    std::string prompt(t::kUpdatePromptHead.gbk);
    prompt += version;
    prompt += t::kUpdatePromptMiddle.gbk;
    prompt += notes;
    if (ports.dialogs.AskOkCancel(prompt, t::kUpdateTitle.gbk)) {
        if (!address.empty()) {
            ports.urlOpener.Open(address);
        }
        ports.processExit.Exit(0);
    }
    ports.dialogs.ShowMessage(t::kDeclinedText.gbk, t::kDeclinedTitle.gbk,
                              platform::DialogIcon::Information);
}

} // namespace quorvel::app
