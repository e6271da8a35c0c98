#pragma once

#include "core/settings.h"
#include "ui/recording_surface.h"

#include <QStringList>
#include <map>

// What the spectrum's readout lines (sweep time, frequency, amplitude) show after the
// drawing a RecordingSurface has kept: per line, the texts printed in "Message Color"
// and not printed over in "Background Color" since the last clear. More than one on a
// line is a stale text left under the current one.
inline std::map<double, QStringList> readoutsOnScreen(const RecordingSurface& surface,
                                                      const Settings& settings) {
    using Op = RecordingSurface::Op;
    std::map<double, QStringList> lines;
    const double x = settings.SpecAnLeft + 50;
    const double lastLine = settings.SpecAnTop + 450;
    for (const Op& op : surface.ops()) {
        if (op.kind == Op::Kind::Clear)
            lines.clear();
        if (op.kind != Op::Kind::Text || op.x1 != x || op.y1 > lastLine)
            continue;
        if (op.colour == settings.MessageColor)
            lines[op.y1] << op.text;
        else if (op.colour == settings.BackgroundColor)
            lines[op.y1].removeOne(op.text);
    }
    return lines;
}
