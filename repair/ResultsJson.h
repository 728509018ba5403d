#pragma once

#include <nlohmann/json.hpp>

#include "recovery/DatabaseCensus.h"
#include "recovery/LostDataRecovery.h"
#include "recovery/Salvage.h"

// The recovery's results as JSON and back: how onarim-engine hands them to the repair.
namespace onarim {

void to_json(nlohmann::json& json, const TColumnCensus& column);
void from_json(const nlohmann::json& json, TColumnCensus& column);
void to_json(nlohmann::json& json, const TTableCensus& table);
void from_json(const nlohmann::json& json, TTableCensus& table);
void to_json(nlohmann::json& json, const TDatabaseCensus& census);
void from_json(const nlohmann::json& json, TDatabaseCensus& census);
void to_json(nlohmann::json& json, const TTableRecovery& table);
void from_json(const nlohmann::json& json, TTableRecovery& table);
void to_json(nlohmann::json& json, const TRecoveryResult& result);
void from_json(const nlohmann::json& json, TRecoveryResult& result);
void to_json(nlohmann::json& json, const TSalvageResult& result);
void from_json(const nlohmann::json& json, TSalvageResult& result);

} // namespace onarim
