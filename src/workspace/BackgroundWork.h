#pragma once

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <utility>

// Work for a main-thread object done on a pooled worker thread at low priority, its result
// handed back on the main thread by queued invocation.
namespace BackgroundWork {

// Calls f() on the main thread later, unless the guarded object is gone by then. The guard is
// made on the main thread and may be copied to any thread; it is only looked at on the main
// thread, as the call is posted to the application object, which outlives every receiver.
template <typename F> void post(QPointer<QObject> guard, F f) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [guard = std::move(guard), f = std::move(f)]() mutable {
            if (guard)
                f();
        },
        Qt::QueuedConnection);
}

// work() must not throw and must not touch the receiver; it gets copies of what it needs.
// apply(result) runs on the main thread, and not at all once the receiver is gone.
template <typename Work, typename Apply> void run(QObject* receiver, Work work, Apply apply) {
    QThreadPool::globalInstance()->start([guard = QPointer<QObject>(receiver), work = std::move(work),
                                          apply = std::move(apply)]() mutable {
        QThread* const thread = QThread::currentThread();
        const QThread::Priority priority = thread->priority();
        thread->setPriority(QThread::LowPriority);
        auto result = work();
        thread->setPriority(priority == QThread::InheritPriority ? QThread::NormalPriority : priority);
        post(std::move(guard),
             [apply = std::move(apply), result = std::move(result)]() mutable { apply(std::move(result)); });
    });
}

} // namespace BackgroundWork
