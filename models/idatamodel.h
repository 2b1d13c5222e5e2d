#pragma once

#include <QJsonObject>

// A record that picks the fields it needs out of one of the host's JSON objects.
class IDataModel
{
public:
    virtual ~IDataModel() = default;

    // Fills the record from json; tells whether it was filled.
    virtual bool fromJson(const QJsonObject &json) = 0;

    // Records are only ever read from the host, never written back to it.
    virtual bool toJson(QJsonObject &json) const
    {
        Q_UNUSED(json);
        return false;
    }
};
