#pragma once
// Runtime components a pack declares: whether each is present, and the offer to fetch
// a missing one from the installer maker's server as a small script (see script.hpp).
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "designpack/extract.hpp"
#include "designpack/http.hpp"
#include "designpack/keystore.hpp"
#include "designpack/payload.hpp"

namespace pw::designpack {

// The installer maker's download server.
inline constexpr std::string_view kMakerServer = "downloads.pagewright.org";

// What the download dialogue needs from the installer window. Called on the
// installation worker thread; implementations hand the work to the window's thread.
class RuntimeUi {
public:
    virtual ~RuntimeUi() = default;
    // Yes/No question owned by the installer window; true for Yes.
    virtual bool AskYesNo(std::string_view text, std::string_view caption) = 0;
    // OK message box; `owned` false for the script's boxes that have no owner window.
    virtual void ShowMessage(std::string_view text, std::string_view caption, bool owned) = 0;
    virtual void SetStatus(std::string_view text) = 0;
    // Progress bar: `done` of `total` (total 0 shows "0%").
    virtual void SetProgress(std::uint64_t done, std::uint64_t total) = 0;
    // The installer window steps aside while a started program runs, and comes back.
    virtual void HideWindow() = 0;
    virtual void ShowWindow() = 0;
};

// Everything a runtime check and download works with.
struct RuntimeContext {
    RuntimeUi& ui;
    ExtractionSession& session;          // its overwrite policy also governs UNZIP
    std::filesystem::path folder;        // the current folder: the installation's target
    std::filesystem::path systemFolder;  // where plain requirement names are looked up
    KeyStore keys;                       // where `#` and `~` requirement names are looked up
    std::string publisherName;           // named in the "not supported" message
    std::string makerServer{kMakerServer};
    HttpOptions http;  // port, stall limit and stop flag of every fetch
};

// The version text of a file: no ELF file carries a version resource, so it is the
// file's last-access date (UTC) as month/day/year without leading zeros ("7/4/2024").
// Fails with the reason the file cannot be examined.
pw::Result<std::string> FileVersionText(const std::filesystem::path& file);

// True when `requirement` holds: a `#` or `~` name when that key exists in the system
// or user root of `keys`; otherwise when systemFolder/name opens for reading and the
// value is empty or equals FileVersionText. Names may use `\` between folders.
bool RequirementHolds(const Requirement& requirement, const std::filesystem::path& systemFolder, const KeyStore& keys);

// True when at least one of the component's requirements holds (so a component with
// no requirements is never met).
bool RequirementMet(const RuntimeComponent& component, const std::filesystem::path& systemFolder, const KeyStore& keys);

// The "not supported" message naming the component and whom to contact.
std::string UnsupportedRuntimeMessage(std::string_view identifier, std::string_view publisherName);

// Asks whether to fetch `component`, fetches its script from the maker's server into
// folder/<identifier> (refused, like a member's name, when that leaves the folder),
// reads it, deletes the file and carries the script out (RunScript). Every failure but a
// stop has been shown to the user when this returns. The reason: operation_canceled when
// the user declined or the session's stop flag ended it; PackErrc::unsafeName; the
// fetch's (HttpErrc::webPage when the server has no script for the component); the
// script file's read error; or RunScript's.
pw::Result<void> OfferRuntimeDownload(const RuntimeComponent& component, RuntimeContext& context);

}  // namespace pw::designpack
