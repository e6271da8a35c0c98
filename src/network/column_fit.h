#pragma once

#include <QString>

class QHeaderView;

// The width a header section needs to show `text` whole in the header's font: on
// one line, or broken at a space onto the two lines the result grid's header row
// has room for, whichever is narrower.
int twoLineHeaderWidth(const QHeaderView& header, const QString& text);
