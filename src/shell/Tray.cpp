#include "Tray.h"

namespace shell {

QString TipText(const QString& szTip) {
    const qsizetype nul = szTip.indexOf(QChar(0));
    return nul < 0 ? szTip : szTip.left(nul);
}

} // namespace shell
