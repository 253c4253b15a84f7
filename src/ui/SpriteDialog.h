#pragma once
// Asks how preview sprites are cut: the tile width and the most columns and
// rows of tiles per sprite image, remembered in Preferences for next time.
//
// Thread: UI thread only. Ownership: a QDialog child of `parent`; `prefs`
// must outlive it.

#include "export/PreviewSprites.h"

#include <QDialog>

class NumberBox;
class Preferences;

class SpriteDialog : public QDialog {
    Q_OBJECT
public:
    SpriteDialog(Preferences &prefs, QWidget *parent = nullptr);

    // What the fields hold now, brought into the writer's ranges.
    PreviewSprites::Options options() const;

    // Shows the dialog modally; the chosen options (also stored) or none
    // when cancelled.
    static std::optional<PreviewSprites::Options> ask(Preferences &prefs, QWidget *parent);

private:
    Preferences &m_prefs;
    NumberBox *m_width;
    NumberBox *m_columns;
    NumberBox *m_rows;
};
