// The functionals' picture names.
#include "keldra/report/picture_file_names.h"

namespace orvane::keldra {

std::string functionalBeforePicture(int functional) { return "fmr" + std::to_string(functional) + "_before.png"; }

std::string functionalAfterPicture(int functional) { return "fmr" + std::to_string(functional) + "_after.png"; }

}  // namespace orvane::keldra
