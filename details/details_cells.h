#pragma once

// The list's cells that the Linux program writes from what it keeps beside the table.

#include "details/details_store.h"
#include "ui/network_list.h"

namespace quorvan {

// The Encryption cell from `store` (which must outlive the function): where a BSS's elements are
// known, the record's code, a comma and the security they announce ("0,WPA3-Personal"); where
// none are, nothing, so that the cell keeps the record's own text ("0,wep "). Every other cell
// is the record's.
CellTextOverride DetailsCellText(const DetailsStore& store);

}  // namespace quorvan
