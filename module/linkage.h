// The module's two exported records: the gauge table and the import table into which
// the host writes the address of its panel service table.
#pragma once

#include "sdk/records.h"

extern "C" {
extern ModuleLinkage Linkage;
extern ModuleImports ImportTable;
}
