// The published interface _Vantrel: one entry that maps a DISPID and call kind to a member of
// Vantrel, checks the arguments and raises the member's errors.
#pragma once

#include <vantrelkit/vantrelkit.h>

namespace vantrelkit {

class Vantrel;

// Returns 0, or the raised error number with excep (when given) holding the number and a static
// description. Never allocates on the heap.
std::int32_t invoke(Vantrel& vantrel, std::int32_t dispid, InvokeKind kind, const Variant* args,
                    int argc, Variant* result, ExcepInfo* excep);

} // namespace vantrelkit
