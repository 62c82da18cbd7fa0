#pragma once

#include "app/CRecordPreviewLoader.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>

class CRecordListModel;
class CRecordPreviewCursor;
class CRecordPreviewPictureView;
class QCheckBox;
class QLabel;
class QPushButton;

// The record preview: a window of its own showing one record's three pictures side by side, its
// value and its number. Arrow keys step through the list, the space bar ticks or unticks the
// record in the list. Pictures are decoded off the GUI thread; neighbours are fetched ahead.
class CRecordPreviewDlg : public QWidget {
    Q_OBJECT
public:
    CRecordPreviewDlg(CRecordListModel* model, std::function<int()> method,
                      std::function<QString()> pictureFolder, QWidget* parent = nullptr);

    CRecordPreviewCursor* Cursor() const { return m_pCursor; }
    CRecordPreviewLoader* Loader() const { return m_pLoader; }
    CRecordPreviewPictureView* PictureView(int index) const { return m_views.at(static_cast<size_t>(index)); }
    QString NumberText() const;
    QString ValueText() const;

    // Shows the record of this row and brings the window up.
    void Open(int row);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Refresh();
    void ShowPicture(int index, const CRecordPreviewLoader::Picture& picture);
    void OnPictureReady(const QString& path);
    void OnCheckedChanged(bool checked);
    void OnTickClicked();

    CRecordPreviewCursor* m_pCursor = nullptr;
    CRecordPreviewLoader* m_pLoader = nullptr;
    QLabel* m_labelNumber = nullptr;
    QLabel* m_labelValue = nullptr;
    QCheckBox* m_checkTick = nullptr;
    QPushButton* m_btnPrevious = nullptr;
    QPushButton* m_btnNext = nullptr;
    std::array<CRecordPreviewPictureView*, 3> m_views{};
    std::array<QLabel*, 3> m_captions{};
    std::array<QString, 3> m_paths;
};
