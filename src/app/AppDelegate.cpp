#include "app/AppDelegate.h"

#include "basics/TempRoot.h"

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent)
{
}

void AppDelegate::setOnOpen(OpenHandler handler)
{
    m_onOpen = std::move(handler);
    if (!m_onOpen || m_pending.isEmpty())
        return;
    // Taken before the call so a handler that hands over more files cannot
    // see them twice.
    const QList<QUrl> pending = std::exchange(m_pending, {});
    m_onOpen(pending);
}

void AppDelegate::open(const QList<QUrl> &urls)
{
    if (urls.isEmpty())
        return;
    if (m_onOpen)
        m_onOpen(urls);
    else
        m_pending.append(urls);
}

void AppDelegate::launched(bool soleInstance)
{
    if (soleInstance)
        TempRoot::remove();
    else
        TempRoot::separateFromOtherInstances();
}

void AppDelegate::terminating()
{
    TempRoot::remove();
}
