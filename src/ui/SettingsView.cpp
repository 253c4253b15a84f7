#include "ui/SettingsView.h"
#include "basics/Formatting.h"
#include "export/ExportFolder.h"
#include "settings/Preferences.h"
#include "widgets/ElidedLabel.h"
#include "widgets/Style.h"
#include "widgets/TabularText.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The slider moves in twentieths: 10 is 0.50, 20 is 1.00. Dividing by 20
// rather than multiplying by 0.05 stores exactly 0.9, not 0.9000000000000001.
constexpr int qualitySteps = 20;

// A bold header over a framed panel holding the section's rows.
QFrame *section(const QString &title, QVBoxLayout *into, QWidget *parent)
{
    auto *header = new QLabel(title, parent);
    QFont font = header->font();
    font.setWeight(QFont::DemiBold);
    header->setFont(font);
    header->setContentsMargins(4, 0, 0, 0);
    auto *panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    panel->setAutoFillBackground(true);
    panel->setBackgroundRole(QPalette::Base);
    if (into->count() > 0)
        into->addSpacing(12);
    into->addWidget(header);
    into->addSpacing(4);
    into->addWidget(panel);
    return panel;
}

QFormLayout *formIn(QFrame *panel)
{
    auto *form = new QFormLayout(panel);
    form->setContentsMargins(14, 12, 14, 12);
    form->setHorizontalSpacing(16);
    form->setVerticalSpacing(10);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    return form;
}

QLabel *note(const QString &text, Style::TextStyle style, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setWordWrap(true);
    Style::apply(label, style, Style::Tone::secondary);
    return label;
}

} // namespace

SettingsView::SettingsView(Preferences &preferences, FolderPicker pickFolder, QWidget *parent)
    : QWidget(parent)
    , m_preferences(preferences)
    , m_pickFolder(pickFolder ? std::move(pickFolder) : FolderPicker(&pickFolderWithDialog))
    , m_folder(new ElidedLabel(Qt::ElideLeft, this))
    , m_askEveryTime(new QPushButton(tr("Ask Every Time"), this))
    , m_quality(new QSlider(Qt::Horizontal, this))
    , m_qualityLabel(new TabularLabel(this))
    , m_shareBadge(new QCheckBox(tr("Add “Made with Framelark” to share images"), this))
    , m_sourceDetails(new QCheckBox(tr("Write source details into exported shots"), this))
{
    m_folder->setObjectName(QStringLiteral("folder"));
    m_askEveryTime->setObjectName(QStringLiteral("askEveryTime"));
    m_quality->setObjectName(QStringLiteral("quality"));
    m_qualityLabel->setObjectName(QStringLiteral("qualityLabel"));
    m_shareBadge->setObjectName(QStringLiteral("shareBadge"));
    m_sourceDetails->setObjectName(QStringLiteral("sourceDetails"));
    m_sourceDetails->setToolTip(tr("The video’s file name, the shot’s time and frame number, readable by "
                                   "photo tools."));

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 20);
    column->setSpacing(0);

    // Export.
    auto *exportForm = formIn(section(tr("Export"), column, this));
    auto *choose = new QPushButton(tr("Choose…"), this);
    choose->setObjectName(QStringLiteral("chooseFolder"));
    auto *folderRow = new QHBoxLayout;
    folderRow->setSpacing(6);
    folderRow->addWidget(m_folder, 1);
    folderRow->addSpacing(6);
    folderRow->addWidget(choose);
    folderRow->addWidget(m_askEveryTime);
    exportForm->addRow(tr("Default folder"), folderRow);
    exportForm->addRow(QString(), note(tr("When a default folder is set, Export saves straight into it "
                               "without asking."),
                            Style::TextStyle::caption, this));

    m_quality->setRange(qualitySteps / 2, qualitySteps);
    m_quality->setSingleStep(1);
    m_quality->setPageStep(1);
    // Wide enough for the longest value in this locale, so the slider never moves.
    m_qualityLabel->setFixedWidth(std::max(
        44, int(std::ceil(TabularText::width(QFontMetricsF(m_qualityLabel->font()), formatPercent(100))))));
    m_qualityLabel->setAlignment(Qt::AlignRight);
    auto *qualityRow = new QHBoxLayout;
    qualityRow->setSpacing(10);
    qualityRow->addWidget(m_quality, 1);
    qualityRow->addWidget(m_qualityLabel);
    exportForm->addRow(tr("JPEG quality"), qualityRow);
    exportForm->addRow(QString(), m_sourceDetails);

    // Share Image.
    auto *shareForm = formIn(section(tr("Share Image"), column, this));
    shareForm->addRow(m_shareBadge);

    // Privacy.
    auto *privacyForm = formIn(section(tr("Privacy"), column, this));
    privacyForm->addRow(note(tr("Framelark works entirely on this computer and never connects to "
                                "the internet. Screenshots are kept in a private temporary folder "
                                "and deleted when you go back or quit — only what you export or "
                                "save is kept."),
                             Style::TextStyle::callout, this));

    connect(choose, &QPushButton::clicked, this, &SettingsView::chooseFolder);
    connect(m_askEveryTime, &QPushButton::clicked, this,
            [this] { m_preferences.setDefaultExportFolder(std::nullopt); });
    connect(m_quality, &QSlider::valueChanged, this, [this](int step) {
        m_preferences.setJpegQuality(step / double(qualitySteps));
    });
    connect(m_shareBadge, &QCheckBox::clicked, this,
            [this](bool checked) { m_preferences.setShareBadge(checked); });
    connect(m_sourceDetails, &QCheckBox::clicked, this,
            [this](bool checked) { m_preferences.setExportSourceDetails(checked); });
    connect(&m_preferences, &Preferences::exportSourceDetailsChanged, this, &SettingsView::refreshSourceDetails);

    connect(&m_preferences, &Preferences::defaultExportFolderChanged, this,
            &SettingsView::refreshFolder);
    connect(&m_preferences, &Preferences::jpegQualityChanged, this, &SettingsView::refreshQuality);
    connect(&m_preferences, &Preferences::shareBadgeChanged, this, &SettingsView::refreshBadge);
    refreshFolder();
    refreshQuality();
    refreshBadge();
    refreshSourceDetails();
    // The usual width, wider where the texts need it in the user's font
    // and language.
    setFixedWidth(std::max(viewWidth, minimumSizeHint().width()));
}

std::optional<QString> SettingsView::pickFolderWithDialog(QWidget *parent, const QString &start)
{
    QFileDialog dialog(parent, tr("Default Export Folder"), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setLabelText(QFileDialog::Accept, tr("Use This Folder"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return std::nullopt;
    return chosen.first();
}

void SettingsView::chooseFolder()
{
    const std::optional<QString> current = ExportFolder::resolve(m_preferences.defaultExportFolder());
    const std::optional<QString> folder = m_pickFolder(this, current.value_or(QDir::homePath()));
    if (!folder)
        return;
    // Exports create a folder inside it; a folder that refuses that would be
    // stored only to be passed over at every export, so it is refused now.
    const std::optional<QByteArray> mark = ExportFolder::bookmark(*folder);
    if (mark && !ExportFolder::resolve(mark)) {
        auto *box = new QMessageBox(QMessageBox::Warning, tr("Can't Use This Folder"),
                                    tr("Framelark can't create folders in “%1”. Choose a folder you can write to.")
                                        .arg(QDir::toNativeSeparators(*folder)),
                                    QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("folderRefused"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return;
    }
    m_preferences.setDefaultExportFolder(mark);
}

QSize SettingsView::sizeHint() const
{
    // The layout's own hint ignores that wrapped text grows taller at a
    // fixed width; the height for that width does not.
    return {width(), std::max(QWidget::sizeHint().height(), heightForWidth(width()))};
}

void SettingsView::refreshFolder()
{
    const std::optional<QByteArray> stored = m_preferences.defaultExportFolder();
    const std::optional<QString> folder = ExportFolder::resolve(stored);
    m_folder->setText(folder ? QDir::toNativeSeparators(*folder) : tr("Ask every time"));
    Style::setTone(m_folder, folder ? Style::Tone::normal : Style::Tone::secondary);
    m_askEveryTime->setVisible(stored.has_value());
}

void SettingsView::refreshQuality()
{
    const double quality = m_preferences.jpegQuality();
    {
        const QSignalBlocker blocker(m_quality);
        m_quality->setValue(std::clamp(int(std::lround(quality * qualitySteps)), qualitySteps / 2,
                                       qualitySteps));
    }
    m_qualityLabel->setText(formatPercent(int(std::lround(quality * 100))));
}

void SettingsView::refreshBadge()
{
    m_shareBadge->setChecked(m_preferences.shareBadge());
}

void SettingsView::refreshSourceDetails()
{
    m_sourceDetails->setChecked(m_preferences.exportSourceDetails());
}

void SettingsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The folder may have gone away or come back since the view was last shown.
    refreshFolder();
}

void SettingsView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::LocaleChange)
        refreshQuality();
}
