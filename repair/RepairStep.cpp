#include "repair/RepairOperator.h"

namespace onarim {

std::string StepTitle(TRepairStep step) {
    switch (step) {
    case TRepairStep::KeepCopy: return "Özgün dosyanın kopyası alınıyor…";
    case TRepairStep::PageCheck: return "Sayfalar denetleniyor…";
    case TRepairStep::FirstValidation: return "İlk doğrulama…";
    case TRepairStep::FullValidation: return "gfix ile tam doğrulama…";
    case TRepairStep::Backup: return "Yedek alınıyor…";
    case TRepairStep::Restore: return "Yedekten geri yükleniyor…";
    case TRepairStep::SecondValidation: return "İkinci doğrulama…";
    case TRepairStep::Accounting: return "Kayıtlar sayılıyor…";
    case TRepairStep::Recovery: return "Kaybolan veriler özgün dosyadan geri yazılıyor…";
    case TRepairStep::Salvage: return "Okunabilen veriler yeni bir veri tabanına kurtarılıyor…";
    }
    return {};
}

} // namespace onarim
