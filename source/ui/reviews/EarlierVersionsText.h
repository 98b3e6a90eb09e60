#pragma once

#include <QList>

#include <memory>

class QColor;
class QTextCursor;
class ReviewVersion;

// Appends what an edited review showed before, newest first: a heading,
// then for each version the day it was replaced, its stars and version in
// `detailColor`, its title in bold and its text. All of it goes in as plain
// text, since it came from the network.
void appendEarlierVersions(QTextCursor &cursor,
    const QList<std::shared_ptr<ReviewVersion>> &versions, const QColor &detailColor);
