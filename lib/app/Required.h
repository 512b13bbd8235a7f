#pragma once
#include "Failure.h"

namespace olvaris {

// The object a statement uses, or the failure of using one that was never
// created (a creation that failed, a row that was not added). Called inside
// the statement, so the statement that uses the object is the one reported.
template <class Holder>
auto& required(Holder& holder) {
    if (!holder)
        throw Failure(Error::Kind::Usage, QStringLiteral("Object variable or With block variable not set"));
    return *holder;
}

} // namespace olvaris
