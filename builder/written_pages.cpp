#include "builder/written_pages.hpp"

#include <unistd.h>

#include <cerrno>

#include "shell/general/field_file.hpp"
#include "shell/general/file_descriptor.hpp"
#include "shell/general/files.hpp"

namespace pw {

namespace fs = std::filesystem;

namespace {

// Only plain names of the site folder: the record is not trusted to point elsewhere.
bool IsNameInFolder(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace

std::map<store::Page, std::string> WrittenPageFiles(const fs::path& siteFolder) {
    std::map<store::Page, std::string> written;
    const auto bytes = ReadWholeFile(ResolveInFolder(siteFolder, kWrittenPagesFile));
    if (!bytes) return written;
    for (const FieldRecord& record : ParseFieldRecords(*bytes)) {
        for (const store::Page page : store::kPages) {
            if (record.name == store::WordOf(page) && IsNameInFolder(record.text)) written[page] = record.text;
        }
    }
    return written;
}

Result<void> RecordWrittenPage(const fs::path& siteFolder, store::Page page, const fs::path& written) {
    std::map<store::Page, std::string> files = WrittenPageFiles(siteFolder);
    const std::string name = written.filename().string();
    const auto before = files.find(page);
    const std::string old = before == files.end() ? std::string() : before->second;
    files[page] = name;
    std::string bytes;
    for (const auto& [each, file] : files) bytes += FormatFieldRecord(file, store::WordOf(each));
    if (auto saved = SaveFileAtomically(ResolveInFolder(siteFolder, kWrittenPagesFile), bytes); !saved) return saved;

    if (old.empty() || old == name) return {};
    for (const auto& [other, file] : files) {
        if (file == old) return {};  // another page is written as that file now
    }
    if (::unlink((siteFolder / old).c_str()) != 0 && errno != ENOENT) return Fail(LastError());
    return {};
}

}  // namespace pw
