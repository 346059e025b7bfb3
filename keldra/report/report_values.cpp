// Reading a report's values and writing numbers.
#include "keldra/report/report_values.h"

#include <cmath>
#include <cstdio>

namespace orvane::keldra {

const nlohmann::json& member(const nlohmann::json& object, const char* key) {
    static const nlohmann::json kNull;
    if (!object.is_object()) {
        return kNull;
    }
    const auto found = object.find(key);
    return found == object.end() ? kNull : *found;
}

std::optional<double> numberMember(const nlohmann::json& object, const char* key) {
    const nlohmann::json& value = member(object, key);
    if (!value.is_number()) {
        return std::nullopt;
    }
    const double number = value.get<double>();
    return std::isfinite(number) ? std::optional<double>(number) : std::nullopt;
}

std::string stringMember(const nlohmann::json& object, const char* key) {
    const nlohmann::json& value = member(object, key);
    return value.is_string() ? value.get<std::string>() : std::string();
}

std::optional<bool> boolMember(const nlohmann::json& object, const char* key) {
    const nlohmann::json& value = member(object, key);
    return value.is_boolean() ? std::optional<bool>(value.get<bool>()) : std::nullopt;
}

std::optional<std::array<double, 3>> vectorMember(const nlohmann::json& object, const char* key) {
    const nlohmann::json& value = member(object, key);
    if (!value.is_array() || value.size() != 3) {
        return std::nullopt;
    }
    std::array<double, 3> v{};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!value[i].is_number() || !std::isfinite(value[i].get<double>())) {
            return std::nullopt;
        }
        v[i] = value[i].get<double>();
    }
    return v;
}

std::string formatNumber(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string s = text;
    if (!s.empty() && s[0] == '-') {
        bool zero = true;
        for (char c : s.substr(1)) {
            zero = zero && (c == '0' || c == '.');
        }
        s = zero ? s.substr(1) : "\u2212" + s.substr(1);
    }
    return s;
}

std::string formatPercent(double share) { return formatNumber(100.0 * share, 0) + " %"; }

}  // namespace orvane::keldra
