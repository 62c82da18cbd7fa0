#include "app/CRecordPreviewLoader.h"

#include <QFileInfo>
#include <QImageReader>

CRecordPreviewLoader::CRecordPreviewLoader(QObject* parent, int workers, qint64 cacheBytes)
    : QObject(parent), m_cache(static_cast<qsizetype>(qMax<qint64>(1, cacheBytes / 1024))),
      m_nMaxWorkers(qMax(1, workers)) {
    m_pool.setMaxThreadCount(m_nMaxWorkers);
    connect(this, &CRecordPreviewLoader::Decoded, this, &CRecordPreviewLoader::OnDecoded,
            Qt::QueuedConnection);
}

CRecordPreviewLoader::~CRecordPreviewLoader() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStopping = true;
        m_queue.clear();
    }
    // A worker finishes the picture it is on (milliseconds) and then stops; its result is
    // dropped with this object's pending events.
    m_pool.waitForDone();
}

std::optional<CRecordPreviewLoader::Picture> CRecordPreviewLoader::Cached(const QString& path) const {
    if (const Picture* picture = m_cache.object(path)) {
        return *picture;
    }
    return std::nullopt;
}

void CRecordPreviewLoader::Want(const QStringList& paths) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
    for (const QString& path : paths) {
        if (!m_cache.contains(path) && !m_inFlight.contains(path) &&
            std::find(m_queue.begin(), m_queue.end(), path) == m_queue.end()) {
            m_queue.push_back(path);
        }
    }
    const int wanted = qMin(m_nMaxWorkers, static_cast<int>(m_queue.size()));
    while (m_nWorkers < wanted) {
        ++m_nWorkers;
        m_pool.start([this] { Work(); });
    }
}

void CRecordPreviewLoader::Work() {
    for (;;) {
        QString path;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_bStopping || m_queue.empty()) {
                --m_nWorkers;
                return;
            }
            path = m_queue.front();
            m_queue.pop_front();
            m_inFlight.insert(path);
        }
        const Picture picture = Decode(path);
        emit Decoded(path, static_cast<int>(picture.state), picture.image, picture.error);
    }
}

void CRecordPreviewLoader::OnDecoded(const QString& path, int state, const QImage& image,
                                     const QString& error) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inFlight.remove(path);
    }
    ++m_nDecodes;
    auto* picture = new Picture{static_cast<State>(state), image, error};
    const qint64 cost = image.sizeInBytes() / 1024 + 1;
    m_cache.insert(path, picture, static_cast<qsizetype>(qMin(cost, m_cache.maxCost())));
    emit PictureReady(path);
}

CRecordPreviewLoader::Picture CRecordPreviewLoader::Decode(const QString& path, const QSize& maxSize) {
    Picture picture;
    const QFileInfo info(path);
    if (path.isEmpty() || !info.isFile()) {
        picture.state = State::Missing;
        return picture;
    }
    QImageReader reader(path);
    // The instrument's file names are not always honest about the format; the content decides.
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > maxSize.width() || size.height() > maxSize.height())) {
        reader.setScaledSize(size.scaled(maxSize, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        picture.state = State::Unreadable;
        picture.error = reader.errorString();
        return picture;
    }
    picture.state = State::Ready;
    picture.image = std::move(image);
    return picture;
}
