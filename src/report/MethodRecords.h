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
};
