#pragma once
// Receives the files the system hands to the application (launch arguments,
// later launches) and keeps them until someone can take them; deletes the
// temporary root at launch and at quit.
//
// Thread: UI thread only.

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>

class AppDelegate : public QObject {
    Q_OBJECT
public:
    using OpenHandler = std::function<void(const QList<QUrl> &urls)>;

    explicit AppDelegate(QObject *parent = nullptr);

    // Installs (or replaces) where handed-over files go. Files that arrived
    // before are delivered at once, in order of arrival, as one list.
    void setOnOpen(OpenHandler handler);
    bool hasOnOpen() const { return bool(m_onOpen); }

    // Files handed over by the system: delivered at once when a handler is
    // installed, else kept for it. An empty list is ignored.
    void open(const QList<QUrl> &urls);

    // At launch. The one running instance deletes what an earlier run left
    // in the temporary root (it may have crashed). A launch beside an
    // instance that did not answer (`soleInstance` false) deletes nothing
    // and keeps its files in a root of its own, so that neither instance
    // ever deletes the other's. Failures are ignored.
    void launched(bool soleInstance = true);
    // Deletes the temporary root at quit. Failures are ignored.
    void terminating();

private:
    QList<QUrl> m_pending;
    OpenHandler m_onOpen;
};
