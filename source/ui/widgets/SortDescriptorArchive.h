#pragma once

#include "platform/store/FetchRequest.h"

#include <QStringList>

// How a list's sort order is kept in the preferences ("%@-SortDescriptors"):
// one text per descriptor, "key ascending" or "key descending", so that the
// preferences file stays readable. Entries that read as neither are skipped.
namespace SortDescriptorArchive {

QStringList archive(const QList<SortDescriptor> &descriptors);
QList<SortDescriptor> unarchive(const QStringList &archive);

} // namespace SortDescriptorArchive
