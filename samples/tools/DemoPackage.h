#pragma once
// The bundled demo loan package: a fictional closing package of Harbor Point Savings for two
// borrowers, every form composed in code (template and fill PCL), with annotations, a plan code
// and the plan's stacking order. The result depends on nothing but this code, so writing it twice
// gives the same bytes.

#include "DocSet.h"

#include <memory>

namespace pg {

std::unique_ptr<TDocSet> BuildDemoPackage();

} // namespace pg
