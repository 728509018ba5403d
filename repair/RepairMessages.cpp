#include "repair/RepairMessages.h"

#include "platform/FileError.h"

#include <cerrno>
#include <cstring>

namespace onarim::messages {

namespace {

const std::string kNotStarted = "Onarım başlatılmadı; ";

std::string Megabytes(std::uint64_t bytes) {
    return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB";
}

} // namespace

std::string NoDatabaseNamed() {
    return "Veri Tabanını belirtmelisiniz...";
}

std::string DatabaseNotFound(const std::string& fileName) {
    return fileName + kCrLf + "isimi veri Tabanı bulunamadı...";
}

std::string NoErrorsFound(const std::string& fileName) {
    return fileName + " Veri Tabanında hata bulunamadı...";
}

std::string ToolMissing(const std::string& toolPath) {
    return "Onarım için gerekli olan " + toolPath + " dosyası bulunamadı." + kCrLf +
           "Lütfen kontrol ediliniz";
}

std::string BackupFileExists(const std::string& backupPath) {
    return "Onarım için kullanılacak " + backupPath + " dosyası zaten var." + kCrLf +
           "Bu dosyanın üzerine yazılmaması için onarım başlatılmadı; lütfen dosyayı taşıyıp "
           "tekrar deneyiniz.";
}

std::string FileRefusal(TFileRefusal refusal, const std::string& fileName) {
    const std::string start = fileName + kCrLf;
    // What is wrong, then what to do, for the refusals that stop a run that could go on.
    const auto refuse = [&start](const char* what, const char* todo) {
        return start + what + " " + kNotStarted + todo;
    };
    switch (refusal) {
    case TFileRefusal::Empty:
        return start + "Veri Tabanı dosyası boş; onarılacak bir şey yok...";
    case TFileRefusal::NotADatabase:
        return start + "bir Firebird ya da InterBase veri tabanı dosyası değil...";
    case TFileRefusal::Unreadable:
        return refuse("Veri Tabanı dosyası okunamıyor.", "dosyanın okuma iznini kontrol ediniz.");
    case TFileRefusal::ReadOnlyFileSystem:
        return refuse("Veri Tabanı salt okunur bir dosya sisteminde.",
                      "dosyayı yazılabilir bir yere kopyalayıp onu onarınız.");
    case TFileRefusal::NotWritable:
        return refuse("Veri Tabanı dosyasına yazılamıyor.",
                      "dosyanın yazma iznini kontrol ediniz.");
    case TFileRefusal::FolderNotWritable:
        return refuse("Veri Tabanının bulunduğu klasöre dosya yazılamıyor.",
                      "klasörün yazma iznini kontrol ediniz.");
    case TFileRefusal::InUse:
        return refuse("Veri Tabanına başka bağlantılar var.",
                      "diğer kullanıcıların bağlantılarını kesip tekrar deneyiniz.");
    }
    return start;
}

std::string NotEnoughSpace(std::uint64_t neededBytes, std::uint64_t freeBytes) {
    return "Onarım için diskte yeterli boş yer yok: yaklaşık " + Megabytes(neededBytes) +
           " gerekiyor, " + Megabytes(freeBytes) + " boş." + kCrLf + kNotStarted +
           "yer açıp tekrar deneyiniz.";
}

std::string BackupFailed() {
    return std::string("Veri Tabanının yedeği alınamadı; veri tabanı dosyası yedekten geri "
                       "yüklenmedi.") +
           kCrLf + kContactSupport;
}

std::string RestoreFailed(const std::string& backupPath) {
    return std::string("Yedekten geri yükleme tamamlanamadı. Yedek dosyası silinmedi:") + kCrLf +
           backupPath + kCrLf + kContactSupport;
}

std::string NotRepaired(const TLosses& losses, const std::string& restoredBeside) {
    std::string text =
        std::string("Veri Tabanı düzeltme işlemi tamamlanamadı...") + kCrLf + kContactSupport;
    if (!restoredBeside.empty()) {
        text += std::string(kCrLf) +
                "Yedekten geri yüklenen veri tabanı, doğrulaması hata "
                "bildirdiği için yerine konmadı; yanında duruyor: " +
                restoredBeside;
    }
    if (losses.Any()) {
        text += kCrLf + LossLines(losses);
    }
    return text;
}

std::string Repaired(const TRecoveryResult* putBack) {
    return "Veri Tabanı düzeltme işlemi tamamlandı..." + PutBackLines(putBack);
}

std::string RepairedWithLosses(const TLosses& losses, const TRecoveryResult* putBack) {
    return std::string("Veri Tabanı onarıldı, ancak bazı veriler kurtarılamadı...") + kCrLf +
           LossLines(losses) + PutBackLines(putBack);
}

std::string SalvageFailed(const std::string& backupFailure, const std::string& reason) {
    return backupFailure + kCrLf + "Okunabilen veriler de kurtarılamadı: " + reason;
}

std::string Salvaged(bool afterRestore, const std::string& target, const std::string& damaged,
                     const TSalvageResult& salvage, const TLosses& losses, bool validationFailed) {
    const auto [rows, blobs] = Written(salvage.tables);
    std::string text = std::string(afterRestore ? "Yedekten geri yükleme tamamlanamadı"
                                                : "Veri Tabanının yedeği alınamadı") +
                       "; okunabilen veriler yeni bir veri tabanına kurtarıldı:" + kCrLf + target +
                       kCrLf + "Hasarlı veri tabanı yerinde bırakıldı: " + damaged + kCrLf +
                       "Kurtarılan: " + std::to_string(rows) + " kayıt, " + std::to_string(blobs) +
                       " blob değeri";
    if (losses.Any()) {
        text += std::string(kCrLf) + "Kurtarılamayan:" + kCrLf + LossLines(losses);
    }
    for (const std::string& index : salvage.inactiveIndexes) {
        text += std::string(kCrLf) + "Etkinleştirilemeyen dizin: " + index;
    }
    for (const std::string& trigger : salvage.inactiveTriggers) {
        text += std::string(kCrLf) + "Etkinleştirilemeyen tetikleyici: " + trigger;
    }
    text += ConstraintLines(salvage.constraintViolations, salvage.constraintProblems);
    if (validationFailed) {
        text += std::string(kCrLf) + "Yeni veri tabanının doğrulaması hata bildirdi.";
    }
    return text;
}

std::string Interrupted(int signal) {
    return "Onarım durduruldu (sinyal " + std::to_string(signal) +
           "). Bu onarımın yarım kalan dosyaları silindi; veri tabanı dosyası, geri yüklenen "
           "veri tabanı yerine konmadan önceki hâliyle yerinde duruyor. Onarımı yeniden "
           "başlatabilirsiniz.";
}

std::string RepairRunning(const std::string& fileName, long pid, const std::string& reportPath) {
    return fileName + kCrLf + "Bu veri tabanının onarımı sürüyor (süreç " + std::to_string(pid) +
           ", rapor: " + reportPath + "). " + kNotStarted + "o onarımın bitmesini bekleyiniz.";
}

std::string EarlierRunFound(const std::string& reportPath, const std::string& lastStep) {
    return "Yarıda kalmış bir önceki onarım bulundu (" + reportPath +
           ", son adımı: " + (lastStep.empty() ? "-" : lastStep) + ").";
}

std::string EarlierRunFileRemoved(const std::string& path) {
    return "Önceki onarımın yarım kalan dosyası silindi: " + path;
}

std::string EarlierRunEnded() {
    return "Onarımı yapan süreç onarım bitmeden sona erdi; yarım kalan dosyaları sonraki "
           "onarım sildi.";
}

std::string EarlierKeptCopyTakenOver(const std::string& keptCopy) {
    return "Önceki onarımın özgün dosya kopyası bu onarımda özgün dosya olarak kullanıldı: " +
           keptCopy;
}

std::string EngineStalled(std::chrono::milliseconds stillness) {
    return "veri tabanı motoru " +
           std::to_string(std::chrono::duration_cast<std::chrono::seconds>(stillness).count()) +
           " saniye boyunca hiç ilerlemedi ve durduruldu";
}

std::string EngineFailed(int status, const std::string& output) {
    const std::string how =
        status > 128 ? "çöktü (sinyal " + std::to_string(status - 128) + ")"
                     : "sonuç vermeden bitti (çıkış durumu " + std::to_string(status) + ")";
    return "veri tabanı motoru " + how + (output.empty() ? "" : ": " + output);
}

std::string SystemReason(int code) {
    switch (code) {
    case ENOSPC:
        return "diskte yer kalmadı";
    case EDQUOT:
        return "disk kotası doldu";
    case EIO:
        return "disk okunurken ya da yazılırken giriş/çıkış hatası oluştu";
    case EACCES:
    case EPERM:
        return "erişim izni yok";
    case EROFS:
        return "dosya sistemi salt okunur";
    case EFBIG:
        return "dosya, izin verilen boyutu aştı";
    case ENOENT:
        return "dosya ya da klasör yok";
    case EEXIST:
        return "bu adda bir dosya zaten var";
    default:
        break;
    }
    char buffer[256];
    return strerror_r(code, buffer, sizeof buffer);
}

std::string ReasonOf(const std::exception& error) {
    if (const auto* file = dynamic_cast<const EFileError*>(&error)) {
        return file->Path() + ": " + SystemReason(file->ErrorCode());
    }
    return error.what();
}

std::string CopyNotMade(const std::string& reason) {
    return "Özgün dosyanın kopyası alınamadı (" + reason + "). " + kNotStarted +
           "yer açıp ya da izinleri düzeltip tekrar deneyiniz.";
}

std::string BecauseOf(const std::string& reason) {
    return reason.empty() ? std::string() : std::string(kCrLf) + "Nedeni: " + reason;
}

std::string ToolFailureReason(const std::vector<std::string>& output) {
    // The tools print the system's text for the error of a failed read or write.
    const std::pair<const char*, int> reasons[] = {{"No space left on device", ENOSPC},
                                                   {"Disk quota exceeded", EDQUOT},
                                                   {"Input/output error", EIO},
                                                   {"File too large", EFBIG}};
    for (const std::string& line : output) {
        for (const auto& [text, code] : reasons) {
            if (line.find(text) != std::string::npos) {
                return SystemReason(code);
            }
        }
    }
    return {};
}

std::string RebuiltPointerPage(unsigned relation, unsigned sequence, unsigned dataPages) {
    return "ilişki " + std::to_string(relation) + " için " + std::to_string(sequence) +
           ". işaretçi sayfası, " + std::to_string(dataPages) + " veri sayfasından yeniden kuruldu";
}

std::string PageMendLine(std::uint32_t page, const std::string& was, const std::string& written,
                         const std::string& reason) {
    return "Sayfa " + std::to_string(page) + ": " + was + " -> " + written + " (" + reason + ")";
}

std::string PageLeftAlone(std::uint32_t page, const std::string& why) {
    return "Sayfa " + std::to_string(page) + " yazılmadı: " + why;
}

std::string PagesNotRead(const std::string& reason) {
    return "Sayfalar okunamadı: " + reason;
}

std::string PagesNotJudged(const std::string& reason) {
    return "Sayfa başlıkları denetlenmedi: " + reason;
}

std::string PagesNotWritten(const std::string& reason) {
    return "Sayfalar yazılamadı: " + reason;
}

std::string PagesNeedACopy(std::size_t pages) {
    return std::to_string(pages) + " sayfanın başlığı veri tabanının kendi yapısından "
                                   "onarılabilir, ancak özgün dosyanın kopyası alınmadan hiçbir "
                                   "sayfa yazılmaz. Onarımı --no-copy olmadan yeniden başlatınız.";
}

std::string PagesMended(std::size_t pages) {
    return std::string(kCrLf) + std::to_string(pages) +
           " sayfanın başlığı veri tabanının kendi yapısından onarıldı.";
}

std::string BackupRowsMissing(const std::string& table, std::int64_t rows) {
    return std::string(kCrLf) + table + ": gbak yedeğe " + std::to_string(rows) + " kaydı yazmadı";
}

std::string KeptCopyLine(const std::string& keptCopy) {
    return std::string(kCrLf) + "Özgün dosyanın kopyası: " + keptCopy;
}

std::string ReportNotWritten(const std::string& reason) {
    return std::string(kCrLf) + "Rapor dosyası yazılamadı: " + reason;
}

std::string RestOfReportUnreadable(const std::string& reason) {
    return "(raporun devamı okunamadı: " + reason + ")";
}

std::string ValidationNotRun(const std::string& program, int status, const std::string& output) {
    return "Doğrulama yapılamadı (" + program + ", çıkış durumu " + std::to_string(status) + ")" +
           (output.empty() ? "" : ": " + output);
}

std::pair<std::int64_t, std::int64_t> Written(const std::vector<TTableRecovery>& tables) {
    std::pair<std::int64_t, std::int64_t> written{0, 0};
    for (const TTableRecovery& table : tables) {
        written.first += table.rowsPutBack;
        written.second += table.blobsPutBack;
    }
    return written;
}

std::string ConstraintLines(const std::map<std::string, std::int64_t>& violations,
                            const std::vector<std::string>& problems) {
    std::string lines;
    for (const auto& [constraint, rows] : violations) {
        lines += std::string(kCrLf) + constraint + " kısıtına uymayan " + std::to_string(rows) +
                 " kayıt silinmeden yazıldı";
    }
    for (const std::string& problem : problems) {
        lines += std::string(kCrLf) + problem;
    }
    return lines;
}

std::string PutBackLines(const TRecoveryResult* putBack) {
    if (putBack == nullptr) {
        return {};
    }
    const auto [rows, blobs] = Written(putBack->tables);
    std::string lines;
    for (const TTableRecovery& table : putBack->tables) {
        if (table.rawRows + table.rawBlobs > 0) {
            lines += std::string(kCrLf) + table.table + ": " + std::to_string(table.rawRows) +
                     " kayıt ve " + std::to_string(table.rawBlobs) +
                     " blob değeri doğrudan sayfalardan okundu";
        }
        if (table.noUniqueKey) {
            lines += std::string(kCrLf) + table.table +
                     ": benzersiz anahtarı olmadığından kayıpları geri yazılamadı";
        }
    }
    if (rows + blobs > 0) {
        lines = std::string(kCrLf) + "Özgün dosyadan geri yazılan: " + std::to_string(rows) +
                " kayıt, " + std::to_string(blobs) + " blob değeri" + lines;
    }
    return lines + ConstraintLines(putBack->constraintViolations, putBack->constraintProblems);
}

} // namespace onarim::messages
