#include "core/settings.h"

void Settings::applyStartupConversions() {
    // An index outside the table leaves the index itself as the rate text.
    if (Baud >= 0 && static_cast<std::size_t>(Baud) < kBaudRates.size())
        BaudText = QString::fromLatin1(kBaudRates[static_cast<std::size_t>(Baud)]);
    else
        BaudText = QString::number(Baud);
    // Only "no parity" has a letter; any other stored value gives none.
    ParityLetter = Parity == 0 ? QStringLiteral("n") : QString();
}
