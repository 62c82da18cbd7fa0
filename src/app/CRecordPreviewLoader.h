#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <deque>
#include <mutex>
#include <optional>

// Decodes the preview's pictures on worker threads and keeps the most recent ones, so that
// stepping through a long record list shows cached pictures at once and never waits on the disk
// in the GUI thread. Results arrive through PictureReady, queued to the loader's own thread.
// A picture that is missing or unreadable is remembered as such, so it is not tried again.
class CRecordPreviewLoader : public QObject {
    Q_OBJECT
public:
    enum class State { Ready, Missing, Unreadable };

    struct Picture {
        State state = State::Missing;
        QImage image;  // only for Ready; at most MaxSize()
        QString error; // why it could not be read
    };

    // Larger pictures are decoded scaled down to this, which keeps a cache entry bounded and is
    // still far more than a screen shows of one picture.
    static QSize MaxSize() { return QSize(1600, 1600); }

    explicit CRecordPreviewLoader(QObject* parent = nullptr, int workers = 2, qint64 cacheBytes = 96 << 20);
    ~CRecordPreviewLoader() override;

    CRecordPreviewLoader(const CRecordPreviewLoader&) = delete;
    CRecordPreviewLoader& operator=(const CRecordPreviewLoader&) = delete;

    // A decoded (or failed) picture; nothing while it is unknown or still being decoded.
    std::optional<Picture> Cached(const QString& path) const;

    // The pictures wanted now, most urgent first. Replaces what was wanted before: pictures no
    // longer wanted and not yet started are dropped; the rest are decoded unless known.
    void Want(const QStringList& paths);

    // Pictures decoded so far (each decode counts once, also a failed one).
    int DecodeCount() const { return m_nDecodes; }

    // Reads one picture, scaled down to fit maxSize when it is larger. Safe on any thread.
    static Picture Decode(const QString& path, const QSize& maxSize = MaxSize());

signals:
    void PictureReady(const QString& path);
    // Internal: from a worker to the loader's thread.
    void Decoded(const QString& path, int state, const QImage& image, const QString& error);

private:
    void OnDecoded(const QString& path, int state, const QImage& image, const QString& error);
    void Work();

    QThreadPool m_pool;
    QCache<QString, Picture> m_cache; // cost in KiB
    int m_nDecodes = 0;

    // Shared with the workers.
    std::mutex m_mutex;
    std::deque<QString> m_queue;
    QSet<QString> m_inFlight;
    int m_nWorkers = 0;
    int m_nMaxWorkers = 2;
    bool m_bStopping = false;
};
