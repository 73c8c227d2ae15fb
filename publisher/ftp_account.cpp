#include "publisher/ftp_account.hpp"

#include <algorithm>
#include <charconv>

#include "builder/store/site_files.hpp"
#include "shell/general/field_file.hpp"
#include "shell/general/files.hpp"

namespace pw::publisher {

namespace fs = std::filesystem;

fs::path FtpAccountFile(const fs::path& siteFolder) { return ResolveInFolder(siteFolder, store::kFtpSettingsFile); }

Result<FtpAccount> LoadFtpAccount(const fs::path& siteFolder) {
    const auto bytes = ReadWholeFile(FtpAccountFile(siteFolder));
    if (!bytes) return Fail(bytes.error());
    FtpAccount account;
    for (const FieldRecord& record : ParseFieldRecords(*bytes)) {
        if (record.name == kHostField) account.host = record.text;
        if (record.name == kUserNameField) account.user = record.text;
        if (record.name == kPasswordField) account.password = record.text;
    }
    return account;
}

Result<void> SaveFtpAccount(const fs::path& siteFolder, const FtpAccount& account) {
    const std::string records = FormatFieldRecord(account.password, kPasswordField) +
                                FormatFieldRecord(account.user, kUserNameField) +
                                FormatFieldRecord(account.host, kHostField);
    return SaveFileAtomically(FtpAccountFile(siteFolder), records, kOwnerOnly);
}

std::optional<int> ParseConnections(std::string_view text) {
    int connections = 0;
    const char* end = text.data() + text.size();
    const auto [parsed, error] = std::from_chars(text.data(), end, connections);
    if (error != std::errc{} || parsed != end || connections < kMinConnections || connections > kMaxConnections) {
        return std::nullopt;
    }
    return connections;
}

FtpOptions LoadFtpOptions(const fs::path& siteFolder) {
    FtpOptions options;
    const auto bytes = ReadWholeFile(ResolveInFolder(siteFolder, kFtpOptionsFileName));
    if (!bytes) return options;
    for (const FieldRecord& record : ParseFieldRecords(*bytes)) {
        if (record.name != kConnectionsField) continue;
        if (const auto connections = ParseConnections(record.text)) options.connections = *connections;
    }
    return options;
}

Result<void> SaveFtpOptions(const fs::path& siteFolder, const FtpOptions& options) {
    const int connections = std::clamp(options.connections, kMinConnections, kMaxConnections);
    return SaveFileAtomically(siteFolder / kFtpOptionsFileName,
                              FormatFieldRecord(std::to_string(connections), kConnectionsField));
}

}  // namespace pw::publisher
