#include "ui/Guard.h"

#include "store/Error.h"
#include "store/ErrorText.h"
#include "ui/Dialogs.h"

namespace ui {

bool guarded(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        dialogs().error(parent, store::errorText(e));
    }
    return false;
}

}  // namespace ui
