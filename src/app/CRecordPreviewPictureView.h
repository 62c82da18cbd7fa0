#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

// One picture of the preview, scaled to fit the widget with its proportions kept, or a framed
// placeholder text when there is no picture to show.
class CRecordPreviewPictureView : public QWidget {
    Q_OBJECT
public:
    explicit CRecordPreviewPictureView(QWidget* parent = nullptr);

    void SetPicture(const QImage& image);
    void SetPlaceholder(const QString& text);

    bool HasPicture() const { return !m_image.isNull(); }
    const QImage& Picture() const { return m_image; }
    // Empty while a picture is shown.
    const QString& PlaceholderText() const { return m_strPlaceholder; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QString m_strPlaceholder;
};
