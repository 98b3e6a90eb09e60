#include "ui/widgets/SortDescriptorArchive.h"

namespace {
const QString kAscending = QStringLiteral(" ascending");
const QString kDescending = QStringLiteral(" descending");
} // namespace

namespace SortDescriptorArchive {

QStringList archive(const QList<SortDescriptor> &descriptors)
{
    QStringList list;
    for (const SortDescriptor &descriptor : descriptors)
        list << descriptor.key + (descriptor.ascending ? kAscending : kDescending);
    return list;
}

QList<SortDescriptor> unarchive(const QStringList &archive)
{
    QList<SortDescriptor> descriptors;
    for (const QString &entry : archive) {
        const bool ascending = entry.endsWith(kAscending);
        if (!ascending && !entry.endsWith(kDescending))
            continue;
        const QString key =
            entry.chopped(ascending ? kAscending.size() : kDescending.size()).trimmed();
        if (!key.isEmpty())
            descriptors.append({key, ascending});
    }
    return descriptors;
}

} // namespace SortDescriptorArchive
