#include "cli/CheckFindings.h"

#include <array>

#include "client/DatabaseError.h"
#include "client/IBErrors.h"
#include "repair/DamageErrors.h"

namespace onarim {

namespace {

constexpr std::int32_t kBadDbFormat = 335544323; // isc_bad_db_format: "not a valid database"
constexpr std::int32_t kLogin = 335544472;       // isc_login
constexpr std::array<std::int32_t, 4> kNetworkErrors = {
    335544721, // isc_network_error: "Unable to complete network request to host"
    335544722, // isc_net_connect_err
    335544726, // isc_net_read_err
    335544741, // isc_lost_db_connection
};

bool HasCode(const EIBError& error, std::int32_t code) {
    return error.StatusErrorCode() == code || error.HasStatusCode(code);
}

// The error's lines on one line, each without its full stop: "A.\r\nB" gives "A: B".
std::string OneLine(const std::string& text) {
    std::string line;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' || text[at] == '\n') {
            if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
                ++at;
            }
            if (!line.empty() && line.back() == '.') {
                line.pop_back();
            }
            line += ": ";
        } else {
            line += text[at];
        }
    }
    return line;
}

// A path as the operator would type it at a shell.
std::string ShellWord(const std::string& path) {
    for (const char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '_' || c == '-';
        if (!plain) {
            std::string quoted = "'";
            for (const char q : path) {
                quoted += q == '\'' ? std::string("'\\''") : std::string(1, q);
            }
            return quoted + "'";
        }
    }
    return path;
}

std::string StageText(TCheckStage stage) {
    switch (stage) {
    case TCheckStage::ServiceAttach: return "sunucunun hizmet yöneticisine bağlanılamadı";
    case TCheckStage::Validation: return "doğrulama yapılamadı";
    case TCheckStage::Facts: return "veri tabanı bilgileri okunamadı";
    }
    return "denetlenemedi";
}

} // namespace

std::string RepairAdvice(const std::string& database) {
    return "veri tabanına bağlı kullanıcı yokken onarımı çalıştırın: onarim-cli " +
           ShellWord(database);
}

std::vector<TCheckFinding> ValidationFindings(const TValidationReport& report,
                                              const std::string& database) {
    std::vector<TCheckFinding> findings;
    std::string damaged;
    for (const TValidatedTable& table : report.tables) {
        if (table.DamageErrors() > 0) {
            damaged += (damaged.empty() ? "" : ", ") + table.name + " tablosunda " +
                       std::to_string(table.DamageErrors()) + " hata";
        }
    }
    if (!report.otherErrors.empty()) {
        damaged += (damaged.empty() ? "" : ", ") + std::string("tablo dışında ") +
                   std::to_string(report.otherErrors.size()) + " hata";
    }
    if (!damaged.empty()) {
        findings.push_back({TCheckStatus::Critical,
                            "doğrulama hata buldu: " + damaged + "; " + RepairAdvice(database)});
    }
    for (const TValidatedTable& table : report.tables) {
        if (table.lockFailed) {
            findings.push_back({TCheckStatus::Warning,
                                table.name + " tablosu başka bir işlemin kilidi yüzünden "
                                             "doğrulanamadı"});
        } else if (table.errors == 0 && table.warnings > 0) {
            findings.push_back({TCheckStatus::Warning,
                                table.name + " tablosunda " + std::to_string(table.warnings) +
                                    " doğrulama uyarısı"});
        }
    }
    if (!report.finished && damaged.empty()) {
        findings.push_back({TCheckStatus::Unknown, "doğrulama sonuna varmadı"});
    }
    return findings;
}

std::vector<TCheckFinding> FactFindings(const TDatabaseInfo& facts, std::int64_t warnGap) {
    std::vector<TCheckFinding> findings;
    if (facts.forcedWrites && !*facts.forcedWrites) {
        findings.push_back({TCheckStatus::Warning,
                            "zorunlu yazma (forced writes) kapalı: bir çökmede onaylanmış veriler "
                            "kaybolabilir; açmak için gfix -write sync"});
    }
    if (facts.nextTransaction && facts.oldestTransaction) {
        const std::int64_t gap = *facts.nextTransaction - *facts.oldestTransaction;
        if (gap > warnGap) {
            findings.push_back(
                {TCheckStatus::Warning,
                 "işlem farkı " + std::to_string(gap) + ", sınır " + std::to_string(warnGap) +
                     " (en eski ilgili işlem " + std::to_string(*facts.oldestTransaction) +
                     ", sonraki " + std::to_string(*facts.nextTransaction) +
                     "): uzun süredir açık bir işlem ya da yapılmamış bir süpürme (sweep) var"});
        }
    }
    return findings;
}

TCheckFinding ErrorFinding(const std::exception& error, TCheckStage stage,
                           const std::string& database, const std::string& server,
                           const std::string& user, const TCheckFileFacts& file) {
    const std::string message = OneLine(ErrorText(error));
    const auto* serverError = dynamic_cast<const EIBError*>(&error);
    if (serverError != nullptr) {
        for (const std::int32_t code : kNetworkErrors) {
            if (HasCode(*serverError, code)) {
                return {TCheckStatus::Unknown,
                        "sunucu yanıt vermiyor (" + server + "): " + message};
            }
        }
        if (HasCode(*serverError, kLogin)) {
            return {TCheckStatus::Unknown,
                    "sunucu " + user + " kullanıcısının parolasını kabul etmedi"};
        }
    }
    const auto* interBaseError = dynamic_cast<const EIBInterBaseError*>(&error);
    if (stage != TCheckStage::ServiceAttach && interBaseError != nullptr &&
        file.readableDatabase &&
        (IsDamageReport(*interBaseError, file.declaredEncrypted) ||
         HasCode(*interBaseError, kBadDbFormat))) {
        return {TCheckStatus::Critical, "veri tabanı hasar yüzünden açılamıyor (" + message +
                                            "); " + RepairAdvice(database)};
    }
    return {TCheckStatus::Unknown, StageText(stage) + ": " + message};
}

TCheckFinding DatabaseMissing() {
    return {TCheckStatus::Unknown, "veri tabanı dosyası bulunamadı"};
}

TCheckFinding NotADatabase() {
    return {TCheckStatus::Unknown, "bu dosya bir veri tabanı değil"};
}

TCheckFinding RepairInProgress(long pid, const std::string& reportPath) {
    return {TCheckStatus::Unknown, "onarım sürüyor (süreç " + std::to_string(pid) +
                                       ", rapor: " + reportPath + ")"};
}

TCheckFinding EarlierRepairInterrupted(const std::string& reportPath) {
    return {TCheckStatus::Warning, "yarıda kalmış bir onarım var (rapor: " + reportPath +
                                       "); onarımı yeniden çalıştırın"};
}

TCheckFinding PasswordNotGiven() {
    return {TCheckStatus::Unknown, "parola verilmedi"};
}

TCheckFinding UsageError(const std::string& why) {
    return {TCheckStatus::Unknown, "kullanım hatası: " + why};
}

} // namespace onarim
