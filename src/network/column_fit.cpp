#include "network/column_fit.h"

#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionHeader>
#include <algorithm>

namespace {

// A section's width for one line of text, margins included, as the style draws it.
int sectionWidth(const QHeaderView& header, const QString& line) {
    QStyleOptionHeader option;
    option.initFrom(&header);
    option.orientation = Qt::Horizontal;
    option.text = line;
    return header.style()
        ->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), &header)
        .width();
}

} // namespace

int twoLineHeaderWidth(const QHeaderView& header, const QString& text) {
    int best = sectionWidth(header, text);
    for (qsizetype at = text.indexOf(QLatin1Char(' ')); at >= 0;
         at = text.indexOf(QLatin1Char(' '), at + 1))
        best = std::min(best, std::max(sectionWidth(header, text.left(at)),
                                       sectionWidth(header, text.mid(at + 1))));
    return best;
}
