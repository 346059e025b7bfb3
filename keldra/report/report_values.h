// Reading a run's report (report.json's content, or the copy a BIDS run record holds) for a page,
// without trusting its shape: a record on disk may come from another version or be damaged, so
// every value is looked up by name and type, and a missing one is simply not shown. Numbers are
// written for people: fixed decimals and a typographic minus.
#pragma once

#include <array>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace orvane::keldra {

// object[key] when `object` is an object that has it, else null.
const nlohmann::json& member(const nlohmann::json& object, const char* key);
std::optional<double> numberMember(const nlohmann::json& object, const char* key);
std::string stringMember(const nlohmann::json& object, const char* key);
std::optional<bool> boolMember(const nlohmann::json& object, const char* key);
// The three numbers of object[key] = [x, y, z], when all are numbers.
std::optional<std::array<double, 3>> vectorMember(const nlohmann::json& object, const char* key);

// "−0.7", "12.30", "0.0" (never "−0.0").
std::string formatNumber(double value, int decimals);
// 0.7647 as "76 %".
std::string formatPercent(double share);

}  // namespace orvane::keldra
