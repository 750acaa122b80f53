#include "app/application_base.h"

namespace kelm9d {

bool ApplicationBase::InitApplication(DialogHost& /*host*/) {
    return true;
}

void ApplicationBase::InitCommonControls(std::uint32_t structSize, std::uint32_t classes) {
    if (structSize == 8) {
        commonControlClasses_ |= classes;
    }
}

}  // namespace kelm9d
