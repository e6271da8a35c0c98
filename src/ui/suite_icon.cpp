#include "ui/suite_icon.h"

const QIcon& suiteIcon() {
    static const QIcon icon = [] {
        QIcon built;
        for (const int size : {16, 24, 32, 48, 64, 128})
            built.addFile(QStringLiteral(":/icons/veltrane-diagnostics-%1.png").arg(size),
                          QSize(size, size));
        return built;
    }();
    return icon;
}
