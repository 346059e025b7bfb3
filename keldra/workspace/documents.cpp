// Small queries on documents.
#include "keldra/workspace/documents.h"

namespace orvane::keldra {

int documentType(const Document& document) {
    return std::holds_alternative<VmrDocument>(document) ? kVmrDocumentType : kFmrDocumentType;
}

const std::string& documentSource(const Document& document) {
    return std::visit([](const auto& d) -> const std::string& { return d.sourcePath; }, document);
}

}  // namespace orvane::keldra
