// The Qt widgets that have no ready-made counterpart: the form itself and the shape.
#pragma once

#include <QAccessibleInterface>
#include <QWidget>
#include <functional>

#include "platform/FormLayout.h"

namespace vedodud::qt {

// A top-level form. Its close box asks; whether the form goes is the program's decision.
class FormWidget final : public QWidget {
public:
    FormWidget(Qt::WindowFlags flags, std::function<void()> onCloseRequested);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::function<void()> onCloseRequested_;
};

// What a screen reader is told about a form: a window with its caption, not a pane among others.
QAccessibleInterface* FormAccessible(const QString& className, QObject* object);

// A rectangle filled in its fill colour with a one-pixel outline. Colour alone tells nothing to a
// screen reader, so its accessible description says what the fill means, where the layout tells.
class ShapeWidget final : public QWidget {
public:
    ShapeWidget(QWidget* parent, Colour fill, Colour border, std::optional<FillDescription> description);

    Colour Fill() const { return fill_; }
    void SetFill(Colour colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Colour fill_;
    Colour border_;
    std::optional<FillDescription> description_;
};

}  // namespace vedodud::qt
