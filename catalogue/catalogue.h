#pragma once

#include <QStringList>

// The projector's command set as the program knows it: three fixed lists of
// entries, each one line of a command text, the CR marker "[CR]" and, on most
// rows, a gap and a description. The lists are compiled in as resources and
// never change at run time.
namespace Catalogue {

enum class List {
    Basic,   // "C00" style codes and the six "CRn" reads
    Expand,  // "CF <item> <value>" set commands
    Read,    // "CR <item>" read commands
};

// The entries of `list`, in stored order (not sorted).
[[nodiscard]] const QStringList &entries(List list);

} // namespace Catalogue
