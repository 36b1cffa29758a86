#include "app/listing/ListEntry.h"

#include "app/listing/DetailsCache.h"

namespace tunewalk {

bool ListEntry::detailsCurrent() const {
    // The cache's own rule for "still the same file".
    const DetailsCache::Entry shown{detailsSize, detailsNs, detailsInode,
                                    kind,        {},        detailsChangedNs};
    const DetailsCache::Entry now{size, modifiedNs, inode, kind, {}, changedNs};
    return detailsIn && detailsNs != 0 && shown.matches(now);
}

} // namespace tunewalk
