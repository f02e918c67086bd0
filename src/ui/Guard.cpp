#include "ui/Guard.h"

#include "store/Error.h"
#include "ui/Dialogs.h"

namespace ui {

bool guarded(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const store::Error& e) {
        dialogs().error(parent, e.text());
    } catch (const std::exception& e) {
        dialogs().error(parent, QString::fromLocal8Bit(e.what()));
    }
    return false;
}

}  // namespace ui
