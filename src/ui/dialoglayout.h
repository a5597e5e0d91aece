#pragma once

#include "ui/twips.h"

#include <QRect>
#include <QSize>
#include <vector>

class QWidget;

namespace dialtally {

// Places the controls of a dialog designed in twips. Where a caption needs more room in this
// system's fonts than the design gave it, its control grows to fit the text, and every control
// right of it in the same container moves right by as much, so that no caption is clipped and the
// columns of the design stay in line. A container (a frame) grows by as much as what it holds
// moved out to the right, and the dialog by as much as its controls did. Each control keeps the
// vertical centre of its design row at the height that its font needs; containers keep their
// design height.
class DialogLayout {
public:
    // How a control's width follows its text.
    enum class Fit {
        Text,  // grows to the width its caption needs
        Fixed, // keeps its design width (text boxes, lists, pictures)
        Wrap,  // a word-wrapped label: keeps its design height and widens until the text fits
    };
    // How a control follows the growth of the dialog.
    enum class Follow {
        None,
        Move,    // keeps its distance from the right edge (the Ok and Cancel buttons)
        Stretch, // widens with the dialog (frames across it)
    };

    DialogLayout(QWidget* dialog, const TwipsScale& scale) : m_dialog(dialog), m_scale(scale) {}

    // A control at its design rectangle in twips, relative to its parent: the dialog or a
    // container added before it.
    void Add(QWidget* control, int left, int top, int width, int height, Fit fit = Fit::Text,
             Follow follow = Follow::None);

    // Places every control and returns the client size of the dialog designed at width x height
    // twips.
    QSize Apply(int clientWidth, int clientHeight);

private:
    struct Item {
        QWidget* control;
        QRect design; // pixels
        Fit fit;
        Follow follow;
        QRect placed;
    };

    // Lays out the items whose parent is container; returns how far their right edge moved.
    int LayOut(const QWidget* container);
    int NeededWidth(const Item& item) const;
    int ContentRight(const Item& item) const;
    int NeededHeight(const Item& item) const;
    bool IsContainer(const Item& item) const;

    QWidget* m_dialog;
    TwipsScale m_scale;
    std::vector<Item> m_items;
};

} // namespace dialtally
