#pragma once

#include <QString>

#include <vector>

// How the parts of an Office Open XML package are found: _rels/.rels names the workbook
// part, the workbook's own relationships name its sheets, shared strings and styles.
// Relationships parts are read leniently, as other readers do: a part with a fault in its
// syntax (an unescaped "&" in a link, a broken tag, no XML at all) gives the relationships
// that can be picked out of it, and a relationship without an Id or a type in another
// spelling still counts.
namespace package {
class ZipPackage;
}

namespace xlsx {

struct Relationship {
    QString id;
    QString type;   // the last segment of the type URI: "worksheet", "sharedStrings" ...
    QString target; // the part, resolved against the source part's folder
};

// The relationships of `source` (empty: the package's own), external ones left out.
std::vector<Relationship> readRelationships(const package::ZipPackage &package, const QString &source);

// The workbook part: the package relationship of type officeDocument, else the part the
// content types name as a spreadsheet's main part, else xl/workbook.xml; empty when the
// package holds none of them.
QString workbookPart(const package::ZipPackage &package);

}
