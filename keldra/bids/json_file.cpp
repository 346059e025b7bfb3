// Bounded JSON reading and safe JSON text.
#include "keldra/bids/json_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace orvane::bids {

namespace {

using nlohmann::json;

// Walks the text without building anything, and stops at the first level too deep or the
// first syntax error. The library's event parser keeps its own stack on the heap.
class DepthCheck : public json::json_sax_t {
public:
    explicit DepthCheck(int maxDepth) : maxDepth_(maxDepth) {}

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override { return enter(); }
    bool key(string_t&) override { return true; }
    bool end_object() override { return leave(); }
    bool start_array(std::size_t) override { return enter(); }
    bool end_array() override { return leave(); }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override {
        std::string what = e.what();
        // "[json.exception.parse_error.101] parse error at line 1, column 3: syntax error ..."
        std::size_t colon = what.find(": ");
        problem = "not valid JSON: " + (colon == std::string::npos ? what : what.substr(colon + 2));
        problem += " (byte " + std::to_string(position) + ")";
        return false;
    }

    std::string problem;

private:
    bool enter() {
        if (++depth_ > maxDepth_) {
            problem = "nested deeper than " + std::to_string(maxDepth_) + " levels";
            return false;
        }
        return true;
    }
    bool leave() {
        --depth_;
        return true;
    }

    int maxDepth_;
    int depth_ = 0;
};

}  // namespace

bool parseJsonText(const std::string& text, const JsonLimits& limits, json& value, std::string& error) {
    DepthCheck check(limits.maxDepth);
    bool valid = false;
    try {
        valid = json::sax_parse(text, &check);
    } catch (const std::exception& e) {
        check.problem = std::string("not valid JSON: ") + e.what();
    }
    if (!valid) {
        error = check.problem.empty() ? "not valid JSON" : check.problem;
        return false;
    }
    value = json::parse(text, nullptr, false);
    if (value.is_discarded()) {
        error = "not valid JSON";
        return false;
    }
    return true;
}

bool readJsonFile(const std::string& path, const JsonLimits& limits, json& value, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        error = fs::is_symlink(fs::symlink_status(path, ec)) ? "content not retrieved (a link to a file that is absent)"
                                                              : "not found";
        return false;
    }
    if (!fs::is_regular_file(status)) {
        error = "not a regular file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot be opened for reading";
        return false;
    }
    std::string text;
    std::uint64_t limit = limits.maxBytes;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > limit) {
            error = "larger than " + std::to_string(limit) + " bytes, the most read from a JSON file";
            return false;
        }
    }
    if (in.bad()) {
        error = "could not be read";
        return false;
    }
    return parseJsonText(text, limits, value, error);
}

std::string jsonText(const json& value) {
    return value.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::string asWrittenInJson(const std::string& text) {
    return json::parse(json(text).dump(-1, ' ', false, json::error_handler_t::replace)).get<std::string>();
}

}  // namespace orvane::bids
