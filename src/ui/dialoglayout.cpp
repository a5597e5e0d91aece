#include "ui/dialoglayout.h"

#include <QWidget>
#include <algorithm>

namespace dialtally {
namespace {

// A control counts as left of another when its design ends at most this far into the other's: the
// designs let neighbouring labels overlap by a twip or so.
constexpr int kOverlapPixels = 1;

// The room kept between a caption and the control right of it.
constexpr int kGapPixels = 4;

// A word-wrapped label widens at most to this many times its design width.
constexpr int kWidestWrap = 3;

} // namespace

void DialogLayout::Add(QWidget* control, int left, int top, int width, int height, Fit fit,
                       Follow follow)
{
    const QRect design = m_scale.Rect(left, top, width, height);
    m_items.push_back({control, design, fit, follow, design});
}

bool DialogLayout::IsContainer(const Item& item) const
{
    return std::any_of(m_items.begin(), m_items.end(), [&](const Item& other) {
        return other.control->parentWidget() == item.control;
    });
}

int DialogLayout::NeededWidth(const Item& item) const
{
    const int design = item.design.width();
    switch (item.fit) {
    case Fit::Fixed:
        return design;
    case Fit::Text:
        // A frame without a layout tells only its minimum: the room for its caption.
        return std::max(
            {design, item.control->sizeHint().width(), item.control->minimumSizeHint().width()});
    case Fit::Wrap:
        for (int width = design; width <= kWidestWrap * design; width += 4)
            if (item.control->heightForWidth(width) <= item.design.height())
                return width;
        return kWidestWrap * design;
    }
    return design;
}

int DialogLayout::NeededHeight(const Item& item) const
{
    if (item.fit == Fit::Wrap || IsContainer(item))
        return item.design.height();
    return std::max(item.design.height(), item.control->sizeHint().height());
}

// How far the text of a control reaches: the caption of a control that fits its text ends where
// its text ends, whatever width the design gave it.
int DialogLayout::ContentRight(const Item& item) const
{
    if (item.fit != Fit::Text)
        return item.placed.right();
    return item.placed.left() + item.control->sizeHint().width() - 1;
}

int DialogLayout::LayOut(const QWidget* container)
{
    std::vector<Item*> items;
    for (Item& item : m_items)
        if (item.control->parentWidget() == container)
            items.push_back(&item);
    std::stable_sort(items.begin(), items.end(), [](const Item* a, const Item* b) {
        return a->design.left() < b->design.left();
    });

    int designRight = 0;
    int placedRight = 0;
    int growth = 0;
    for (Item* item : items) {
        int width = NeededWidth(*item);
        if (IsContainer(*item))
            width = std::max(width, item->design.width() + LayOut(item->control));
        const int height = NeededHeight(*item);
        const int top =
            IsContainer(*item) ? item->design.top() : item->design.center().y() - (height - 1) / 2;
        int shift = 0;
        if (item->follow == Follow::None) {
            for (const Item* before : items) {
                if (before == item)
                    break;
                if (before->follow != Follow::None || before->design.left() >= item->design.left())
                    continue;
                // A control left of this one in the design pushes it by as much as it grew or
                // moved; one in the same row also by as much as its text would run into it.
                if (before->design.right() <= item->design.left() + kOverlapPixels)
                    shift = std::max(shift, before->placed.right() - before->design.right());
                const bool sameRow = before->design.top() <= item->design.bottom() &&
                                     item->design.top() <= before->design.bottom();
                if (sameRow)
                    shift =
                        std::max(shift, ContentRight(*before) + kGapPixels - item->design.left());
            }
        }
        item->placed = QRect(item->design.left() + shift, top, width, height);
        if (item->follow == Follow::None) {
            designRight = std::max(designRight, item->design.right());
            placedRight = std::max(placedRight, item->placed.right());
        } else if (item->follow == Follow::Stretch) {
            growth = std::max(growth, item->placed.width() - item->design.width());
        }
    }
    growth = std::max(growth, placedRight - designRight);
    for (Item* item : items) {
        if (item->follow == Follow::Move)
            item->placed.moveLeft(item->design.left() + growth);
        else if (item->follow == Follow::Stretch)
            item->placed.setWidth(item->design.width() + growth);
        item->control->setGeometry(item->placed);
    }
    return growth;
}

QSize DialogLayout::Apply(int clientWidth, int clientHeight)
{
    const int growth = LayOut(m_dialog);
    return {m_scale.X(clientWidth) + growth, m_scale.Y(clientHeight)};
}

} // namespace dialtally
