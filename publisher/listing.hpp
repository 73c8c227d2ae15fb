#pragma once
// Folder listings as FTP servers send them: MLSD (RFC 3659) when the server offers it,
// otherwise LIST in the Unix "ls -l" or the DOS/IIS layout. A listing is untrusted input:
// whatever the server sends, only well-formed entry names come out.
// (No <expected> here: the fuzz build takes this library with clang.)
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pw::publisher {

// The attribute bits a listing entry carries: folders have kFolderAttribute; files have
// kFileAttribute and never 0, which readers of the attributes take for a folder too.
inline constexpr std::uint32_t kFolderAttribute = 0x10;
inline constexpr std::uint32_t kFileAttribute = 0x80;

struct RemoteEntry {
    std::string name;                   // the server's bytes, blanks and non-ASCII kept
    std::uint32_t attributes = 0;       // kFolderAttribute or kFileAttribute
    std::optional<std::uint64_t> size;  // when the listing gives one (files)

    bool IsFolder() const { return attributes == kFolderAttribute; }
    friend bool operator==(const RemoteEntry&, const RemoteEntry&) = default;
};

enum class ListingFormat {
    Mlsd,  // "fact=value;fact=value; name" lines
    List,  // Unix or DOS/IIS lines, recognised line by line
};

// Every entry of `bytes`, in listing order. Lines end with LF or CR LF. Lines that fit no
// known layout ("total 12", banners, garbage) are skipped. "." (the folder itself) is left
// out; ".." is kept, always as a folder. Names that could not name an entry of this folder
// (empty, or holding '/', NUL, CR or LF) are dropped, so a name taken from a listing can
// safely become a local file name. Symbolic links count as folders: hosts commonly link
// "www" to the real web folder, and entering a link to a file fails harmlessly.
std::vector<RemoteEntry> ParseListing(std::string_view bytes, ListingFormat format);

}  // namespace pw::publisher
