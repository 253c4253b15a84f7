#include "ui/SpriteDialog.h"

#include "settings/Preferences.h"
#include "widgets/NumberBox.h"
#include "widgets/Style.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

int clamped(double value, int low, int high)
{
    return std::clamp(int(value), low, high);
}

} // namespace

SpriteDialog::SpriteDialog(Preferences &prefs, QWidget *parent)
    : QDialog(parent)
    , m_prefs(prefs)
    , m_width(new NumberBox(NumberBox::Kind::integer, PreviewSprites::minTileWidth, PreviewSprites::maxTileWidth, 16, this))
    , m_columns(new NumberBox(NumberBox::Kind::integer, 1, PreviewSprites::maxGrid, 1, this))
    , m_rows(new NumberBox(NumberBox::Kind::integer, 1, PreviewSprites::maxGrid, 1, this))
{
    setWindowTitle(tr("Export Preview Sprites"));
    m_width->setObjectName(QStringLiteral("tileWidth"));
    m_columns->setObjectName(QStringLiteral("columns"));
    m_rows->setObjectName(QStringLiteral("rows"));
    m_width->setAccessibleName(tr("Tile width"));
    m_columns->setAccessibleName(tr("Columns"));
    m_rows->setAccessibleName(tr("Rows"));
    m_width->setValue(double(prefs.spriteTileWidth()));
    m_columns->setValue(double(prefs.spriteColumns()));
    m_rows->setValue(double(prefs.spriteRows()));
    for (NumberBox *box : {m_width, m_columns, m_rows})
        box->setFieldWidth(64);

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setHorizontalSpacing(12);
    form->setVerticalSpacing(10);
    form->addRow(tr("Tile width"), NumberBox::row(m_width, tr("px"), this));
    form->addRow(tr("Columns"), NumberBox::row(m_columns, QString(), this));
    form->addRow(tr("Rows"), NumberBox::row(m_rows, QString(), this));

    auto *note = new QLabel(tr("The selected shots become tiles of sprite images, each holding up to columns × rows "
                               "tiles, and a WebVTT file tells a web player which tile shows which time."),
                            this);
    note->setWordWrap(true);
    Style::apply(note, Style::TextStyle::caption, Style::Tone::secondary);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton *exportButton = buttons->addButton(tr("Export…"), QDialogButtonBox::AcceptRole);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    exportButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 16);
    column->setSpacing(14);
    column->addLayout(form);
    column->addWidget(note);
    column->addWidget(buttons);
    // Wide enough for the note to wrap into a few lines, never cut.
    setMinimumWidth(std::max(360, minimumSizeHint().width()));
}

PreviewSprites::Options SpriteDialog::options() const
{
    PreviewSprites::Options options;
    options.tileWidth = clamped(m_width->value(), PreviewSprites::minTileWidth, PreviewSprites::maxTileWidth);
    options.columns = clamped(m_columns->value(), 1, PreviewSprites::maxGrid);
    options.rows = clamped(m_rows->value(), 1, PreviewSprites::maxGrid);
    return options;
}

std::optional<PreviewSprites::Options> SpriteDialog::ask(Preferences &prefs, QWidget *parent)
{
    SpriteDialog dialog(prefs, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const PreviewSprites::Options chosen = dialog.options();
    prefs.setSpriteTileWidth(chosen.tileWidth);
    prefs.setSpriteColumns(chosen.columns);
    prefs.setSpriteRows(chosen.rows);
    return chosen;
}
