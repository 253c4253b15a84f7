#include "WorkspacePlaceholder.h"
#include "AppModel.h"
#include "Planning.h"
#include "Style.h"

#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QVBoxLayout>

WorkspacePlaceholder::WorkspacePlaceholder(AppModel &model, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_title(new QLabel(this))
    , m_summary(new QLabel(this))
    , m_status(new QLabel(this))
    , m_counts(new QLabel(this))
    , m_progress(new QProgressBar(this))
{
    Style::apply(m_title, Style::TextStyle::title);
    Style::apply(m_summary, Style::TextStyle::body, Style::Tone::secondary);
    Style::apply(m_status, Style::TextStyle::callout, Style::Tone::secondary);
    Style::apply(m_counts, Style::TextStyle::callout, Style::Tone::secondary);
    for (QLabel *label : {m_title, m_summary, m_status, m_counts}) {
        label->setAlignment(Qt::AlignCenter);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    m_progress->setTextVisible(false);
    m_progress->setFixedWidth(280);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(40, 40, 40, 40);
    column->setSpacing(10);
    column->addStretch();
    column->addWidget(m_title);
    column->addWidget(m_summary);
    column->addSpacing(12);
    column->addWidget(m_progress, 0, Qt::AlignHCenter);
    column->addWidget(m_counts);
    column->addWidget(m_status);
    column->addStretch();

    connect(&m_model, &AppModel::selectedChanged, this, &WorkspacePlaceholder::follow);
    follow();
}

QString WorkspacePlaceholder::statusText(const VideoItem &item)
{
    switch (item.status()) {
    case VideoStatus::pending:
        return tr("Waiting to start");
    case VideoStatus::extracting:
        return tr("Extracting screenshots…");
    case VideoStatus::done:
        break;
    }
    QStringList parts{shotCount(item.shots().size())};
    if (item.failed() > 0)
        parts << tr("%1 couldn't be read").arg(QLocale().toString(item.failed()));
    return parts.join(QStringLiteral(" · "));
}

void WorkspacePlaceholder::follow()
{
    for (const QMetaObject::Connection &c : std::as_const(m_itemConnections))
        disconnect(c);
    m_itemConnections.clear();
    m_item = m_model.selected();
    if (m_item) {
        for (auto signal : {&VideoItem::shotsChanged, &VideoItem::statusChanged,
                            &VideoItem::totalChanged, &VideoItem::failedChanged})
            m_itemConnections << connect(m_item, signal, this, &WorkspacePlaceholder::refresh);
    }
    refresh();
}

void WorkspacePlaceholder::refresh()
{
    if (!m_item) {
        for (QLabel *label : {m_title, m_summary, m_status, m_counts})
            label->clear();
        m_progress->setRange(0, 1);
        m_progress->setValue(0);
        return;
    }
    const VideoItem &item = *m_item;
    m_title->setText(item.info().fileName());
    m_summary->setText(item.info().summary());
    m_status->setText(statusText(item));
    const qint64 shots = item.shots().size();
    const qint64 total = item.total();
    const QLocale locale;
    m_counts->setText(total > 0 ? locale.toString(shots) + QStringLiteral(" / ") + locale.toString(total)
                                : QString());
    // A total below 1 counts as 1, so the bar never divides by zero.
    m_progress->setRange(0, int(std::max<qint64>(total, 1)));
    m_progress->setValue(int(std::min<qint64>(shots, std::max<qint64>(total, 1))));
}
