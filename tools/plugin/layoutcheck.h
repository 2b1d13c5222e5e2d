#pragma once

#include <QJsonObject>
#include <QStringList>

// A dial's layout file checked as the host reads it: an object with an "id" and "items", each
// item a text, pixmap, bar or gbar with the properties the host knows for its type, of the
// types it takes, and placed on the dial's 200 by 100 strip. The rules are the host's layout
// schema's, written out as tables here.
class LayoutCheck
{
public:
    // Each problem as "RULE" for the layout itself or "item N ("KEY"): RULE" for its Nth item,
    // counted from 1; none for a layout the host takes.
    static QStringList problems(const QJsonObject &layout);
};
