// Small queries on documents.
#include "keldra/workspace/documents.h"

namespace orvane::keldra {

int documentType(const Document& document) {
    return std::holds_alternative<VmrDocument>(document) ? kVmrDocumentType : kFmrDocumentType;
}

const std::string& documentSource(const Document& document) {
    return std::visit([](const auto& d) -> const std::string& { return d.sourcePath; }, document);
}

const VmrDocument* firstAnatomical(const Workspace& workspace) {
    for (const Document& document : workspace.documents) {
        if (const auto* vmr = std::get_if<VmrDocument>(&document)) {
            return vmr;
        }
    }
    return nullptr;
}

}  // namespace orvane::keldra
