#include "widgets/BackgroundWork.h"

#include <QList>
#include <QPointer>
#include <QThread>

namespace {

QList<QPointer<QThread>> &workers()
{
    static QList<QPointer<QThread>> adopted;
    return adopted;
}

} // namespace

void adoptWorker(QThread *thread)
{
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    workers().removeAll(nullptr);
    workers().append(thread);
}

void waitForWorkers()
{
    const QList<QPointer<QThread>> running = std::exchange(workers(), {});
    for (const QPointer<QThread> &thread : running) {
        if (!thread)
            continue;
        thread->wait();
        delete thread.data();
    }
}
