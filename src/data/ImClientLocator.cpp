#include "data/ImClientLocator.h"

#include "text/Gbk.h"
#include "text/Texts.h"

namespace quorvel::data {

std::string ProgramPathOfCommand(std::string_view commandValue) {
    // The quoted form is how a program under "Program Files" registers itself; cutting it at
    // its first space would keep a quote and half a folder name.
    if (!commandValue.empty() && commandValue.front() == '"') {
        const std::string_view rest = commandValue.substr(1);
        return std::string(rest.substr(0, text::Find(rest, "\"")));
    }
    return std::string(commandValue.substr(0, text::Find(commandValue, " ")));
}

ImClientLocation LocateImClient(ImClientPathStore& store, const ImClientPorts& ports) {
    // The empty text names nothing, whatever a file probe would say about it.
    if (const std::string stored = store.ReadImClientPath();
        !stored.empty() && ports.fileProbe.Exists(stored)) {
        return ImClientLocation::AlreadyKnown;
    }
    const auto value = ports.registry.ReadClassesRootDefault(text::kImRegistryKey.gbk);
    if (!value || value->kind == platform::RegistryValueKind::Missing) {
        ports.dialogs.ShowMessage(text::kImMissingText.gbk, text::kErrorTitle.gbk,
                                  platform::DialogIcon::Error);
        ports.urlOpener.Open(text::kImDownloadUrl.gbk);
        ports.processExit.Exit(0);
    }
    const bool isText = value->kind == platform::RegistryValueKind::String ||
                        value->kind == platform::RegistryValueKind::ExpandString;
    // A value that is no text gives the empty path; the next start looks again.
    store.WriteImClientPath(ProgramPathOfCommand(isText ? value->text : std::string()));
    return ImClientLocation::Stored;
}

} // namespace quorvel::data
