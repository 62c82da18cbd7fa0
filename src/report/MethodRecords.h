#pragma once

#include <QStringList>

// The ticked records of one detection method, as four parallel lists: entry k of each list
// belongs to the k-th ticked row from the top.
struct MethodRecords {
    QStringList m_arrValue;    // value text: first part immediately followed by the second
    QStringList m_arrPicture1; // full paths of the three pictures
    QStringList m_arrPicture2;
    QStringList m_arrPicture3;

    int Count() const { return static_cast<int>(m_arrValue.size()); }

    // Adds one record to all four lists together, which keeps them the same length.
    void Append(const QString& value, const QString& picture1, const QString& picture2, const QString& picture3) {
        m_arrValue.append(value);
        m_arrPicture1.append(picture1);
        m_arrPicture2.append(picture2);
        m_arrPicture3.append(picture3);
    }
};
