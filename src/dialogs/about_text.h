#pragma once

#include <QString>

// The texts of the About box.

// The maker's name, shown above the contact block.
QString AboutMakerName();

// "Version: 2.00": the minor number always has two digits after the point, so
// 2.5 reads "2.05" and 2.12 reads "2.12".
QString VersionLine(int major, int minor);

// "Revision: 0".
QString RevisionLine(int revision);

// The maker's contact block (street, town, telephone, fax, web, e-mail, one per
// line), then the version line and the revision line, lines separated by CR LF.
QString AboutContactText(int major, int minor, int revision);

// AboutContactText for the version this program was built as.
QString AboutContactTextForThisBuild();
