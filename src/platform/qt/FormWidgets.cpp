#include "platform/qt/FormWidgets.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QPainter>

#include "platform/qt/Rendering.h"

namespace vedodud::qt {

FormWidget::FormWidget(Qt::WindowFlags flags, std::function<void()> onCloseRequested)
    : QWidget(nullptr, flags), onCloseRequested_(std::move(onCloseRequested)) {}

void FormWidget::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (onCloseRequested_) onCloseRequested_();
}

QAccessibleInterface* FormAccessible(const QString&, QObject* object) {
    auto* form = dynamic_cast<FormWidget*>(object);
    return form ? new QAccessibleWidget(form, QAccessible::Window) : nullptr;
}

ShapeWidget::ShapeWidget(QWidget* parent, Colour fill, Colour border,
                         std::optional<FillDescription> description)
    : QWidget(parent), fill_(fill), border_(border), description_(std::move(description)) {
    ValidateColour(fill);
    ValidateColour(border);
    SetFill(fill);
}

void ShapeWidget::SetFill(Colour colour) {
    ValidateColour(colour);
    fill_ = colour;
    // Qt announces a new description to screen readers, and only a new one: a reader hears the site
    // go down or come back, not every probe.
    if (description_) setAccessibleDescription(ToQString(description_->For(colour)));
    update();
}

void ShapeWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(fill_));
    painter.setPen(QPen(ToQColor(border_), 1, Qt::SolidLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace vedodud::qt
