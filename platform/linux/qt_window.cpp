// The window layer over Qt Widgets: one QWidget per described control.
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFocusEvent>
#include <QGroupBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <map>

#include "platform/linux/qt_text.h"
#include "platform/window_system.h"

namespace lc::platform {
namespace {

QColor to_qcolor(Color color) {
  return QColor(color.red, color.green, color.blue);
}

QFont to_qfont(const FontDescription& description) {
  QFont font(to_qstring(description.face));
  font.setPixelSize(std::abs(description.height));
  font.setWeight(description.weight >= 700 ? QFont::Bold : QFont::Normal);
  font.setItalic(description.italic);
  font.setUnderline(description.underline);
  font.setStrikeOut(description.strike_out);
  return font;
}

// The top-level widget: it notes when it has been closed.
class MainWidget final : public QWidget {
 public:
  bool closed = false;

 protected:
  void closeEvent(QCloseEvent* event) override {
    closed = true;
    QWidget::closeEvent(event);
  }
};

// Esc closes the window from whichever control has the focus.
class EscapeCloses final : public QObject {
 public:
  explicit EscapeCloses(QWidget* window) : QObject(window), window_(window) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
      window_->close();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget* window_;
};

// A multi-line box lays its text out in time that grows with the text, whatever its lines: any
// character may end a line (the default looks for a word's end, which a long link never has,
// so each line rescanned the rest of the text), and characters are placed without shaping,
// which the box's scripts do not need.
void lay_out_plainly(QWidget* widget) {
  auto* edit = qobject_cast<QPlainTextEdit*>(widget);
  if (edit == nullptr) return;
  edit->setWordWrapMode(QTextOption::WrapAnywhere);
  QFont font = edit->font();
  font.setStyleStrategy(QFont::PreferNoShaping);
  edit->setFont(font);
}

// Edit boxes behave as Windows edit boxes do: focus never selects the text, and a box keeps its
// caret and selection while another has the focus, showing no selection meanwhile.
class SystemEditFocus final : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) return false;
    auto* widget = static_cast<QWidget*>(watched);
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
      // Noted before the box's own handling, which drops a selection on leaving and selects
      // everything on a Tab in; put back after it.
      if (event->type() == QEvent::FocusOut) {
        kept_[line] = {line->selectionStart(), static_cast<int>(line->selectedText().size()),
                       line->cursorPosition()};
        return false;
      }
      static_cast<QObject*>(line)->event(event);  // the box's own handling first
      const auto reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
        const Kept kept = kept_[line];
        line->deselect();
        line->setCursorPosition(kept.cursor);
        if (kept.selection_start >= 0) line->setSelection(kept.selection_start, kept.length);
      }
      return true;
    }
    show_selection(widget, event->type() == QEvent::FocusIn);
    return false;
  }

 private:
  struct Kept {
    int selection_start = -1;
    int length = 0;
    int cursor = 0;
  };

  static void show_selection(QWidget* widget, bool shown) {
    QPalette palette = widget->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
      palette.setColor(group, QPalette::Highlight,
                       shown ? QApplication::palette().color(group, QPalette::Highlight)
                             : palette.color(group, QPalette::Base));
      palette.setColor(group, QPalette::HighlightedText,
                       shown ? QApplication::palette().color(group, QPalette::HighlightedText)
                             : palette.color(group, QPalette::Text));
    }
    widget->setPalette(palette);
  }

  std::map<QLineEdit*, Kept> kept_;
};

QWidget* make_edit_box(const ControlDescription& description, QWidget* parent) {
  if (!description.multiline) {
    auto* line = new QLineEdit(parent);
    // One line of text stands at the top of its box, as Windows draws it.
    line->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return line;
  }
  auto* edit = new QPlainTextEdit(parent);
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Tab moves the focus on; Enter alone makes a new line.
  edit->setTabChangesFocus(true);
  return edit;
}

QWidget* make_control(const ControlDescription& description, QWidget* parent) {
  switch (description.kind) {
    case ControlKind::kEditBox:
      return make_edit_box(description, parent);
    case ControlKind::kButton: {
      auto* button = new QPushButton(to_qstring(description.text), parent);
      button->setAutoDefault(false);
      return button;
    }
    case ControlKind::kGroupBox:
      return new QGroupBox(to_qstring(description.text), parent);
    case ControlKind::kLabel:
    case ControlKind::kTransLabel: {
      auto* label = new QLabel(to_qstring(description.text), parent);
      label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
      label->setWordWrap(false);
      return label;
    }
  }
  return nullptr;
}

void apply_colors(const ControlDescription& description, QWidget* widget) {
  QPalette palette = widget->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    if (description.text_color) {
      palette.setColor(group, QPalette::Text, to_qcolor(*description.text_color));
      palette.setColor(group, QPalette::WindowText, to_qcolor(*description.text_color));
    }
    if (description.background)
      palette.setColor(group, QPalette::Base, to_qcolor(*description.background));
  }
  widget->setPalette(palette);
  // A transparent control paints nothing beneath its text, so what lies below shows through.
  widget->setAutoFillBackground(false);
  if (description.transparent) widget->setAttribute(Qt::WA_NoSystemBackground);
}

// The icon in the sizes a window's frame and task bar show; the desktop's menu takes larger ones
// from the icon theme. Each size given is decoded when the window shows.
QIcon application_icon(TextView name) {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    const QString file = QString(":/icons/%1-%2.png").arg(to_qstring(name)).arg(size);
    if (QFile::exists(file)) icon.addFile(file, QSize(size, size));
  }
  return icon;
}

class QtWindow final : public Window {
 public:
  explicit QtWindow(const WindowDescription& description);

  void on_click(TextView control, std::function<void()> handler) override;
  Text text(TextView control) const override;
  void append_text(TextView control, TextView text) override;
  void show_and_activate() override;
  void show_busy(bool busy) override;
  bool is_open() const override { return !window_->closed; }

 private:
  QWidget* control(TextView name) const;
  void build_controls(const WindowDescription& description);
  void chain_tab_order(const WindowDescription& description);

  std::unique_ptr<MainWidget> window_ = std::make_unique<MainWidget>();
  std::map<Text, QWidget*, std::less<>> controls_;
};

QtWindow::QtWindow(const WindowDescription& description) {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (description.minimize_button) flags |= Qt::WindowMinimizeButtonHint;
  if (description.maximize_button) flags |= Qt::WindowMaximizeButtonHint;
  window_->setWindowFlags(flags);
  window_->setWindowTitle(to_qstring(description.caption));
  window_->setWindowIcon(application_icon(description.icon));
  if (!description.resizable)
    window_->setFixedSize(description.client_width, description.client_height);
  // Centred by the outer size of the Windows window it is described as, whatever frame we get here.
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  window_->move((screen.width() - description.outer_width) / 2,
                (screen.height() - description.outer_height) / 2);
  build_controls(description);
  chain_tab_order(description);
  auto* escape = new EscapeCloses(window_.get());
  auto* edit_focus = new SystemEditFocus(window_.get());
  window_->installEventFilter(escape);
  for (const auto& [name, widget] : controls_) {
    widget->installEventFilter(escape);
    if (qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget)) {
      widget->installEventFilter(edit_focus);
    }
  }
}

void QtWindow::build_controls(const WindowDescription& description) {
  // Parents come before their children in any order of listing.
  std::vector<const ControlDescription*> pending;
  for (const ControlDescription& control : description.controls)
    pending.push_back(&control);
  while (!pending.empty()) {
    const std::size_t before = pending.size();
    std::erase_if(pending, [&](const ControlDescription* description) {
      QWidget* parent = description->parent.empty() ? window_.get() : control(description->parent);
      if (parent == nullptr) return false;
      QWidget* widget = make_control(*description, parent);
      widget->setObjectName(to_qstring(description->name));
      widget->setGeometry(description->left, description->top, description->width,
                          description->height);
      if (description->font) widget->setFont(to_qfont(*description->font));
      if (description->multiline) lay_out_plainly(widget);
      apply_colors(*description, widget);
      widget->setEnabled(description->enabled);
      widget->setFocusPolicy(description->tab_stop && description->enabled ? Qt::StrongFocus
                                                                           : Qt::NoFocus);
      controls_.emplace(description->name, widget);
      return true;
    });
    if (pending.size() == before) break;  // a parent that does not exist
  }
  // The first listed lies on top.
  for (auto it = description.controls.rbegin(); it != description.controls.rend(); ++it) {
    if (QWidget* widget = control(it->name)) widget->raise();
  }
}

void QtWindow::chain_tab_order(const WindowDescription& description) {
  QWidget* previous = nullptr;
  for (std::size_t index : tab_order(description)) {
    QWidget* widget = control(description.controls[index].name);
    if (previous == nullptr) {
      widget->setFocus(Qt::OtherFocusReason);
    } else {
      QWidget::setTabOrder(previous, widget);
    }
    previous = widget;
  }
}

QWidget* QtWindow::control(TextView name) const {
  const auto found = controls_.find(name);
  return found == controls_.end() ? nullptr : found->second;
}

void QtWindow::on_click(TextView name, std::function<void()> handler) {
  if (auto* button = qobject_cast<QPushButton*>(control(name))) {
    QObject::connect(button, &QPushButton::clicked, button, [handler] { handler(); });
  }
}

Text QtWindow::text(TextView name) const {
  QWidget* widget = control(name);
  if (auto* line = qobject_cast<QLineEdit*>(widget)) return from_qstring(line->text());
  if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
    return from_qstring(with_crlf_line_breaks(edit->toPlainText()));
  }
  return {};
}

void QtWindow::append_text(TextView name, TextView text) {
  auto* edit = qobject_cast<QPlainTextEdit*>(control(name));
  if (edit == nullptr) return;
  edit->moveCursor(QTextCursor::End);
  edit->insertPlainText(with_qt_line_breaks(to_qstring(text)));
  edit->ensureCursorVisible();
}

void QtWindow::show_busy(bool busy) {
  // Qt keeps override cursors on a stack: nested submissions pair up by themselves.
  if (busy) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    QApplication::restoreOverrideCursor();
  }
}

void QtWindow::show_and_activate() {
  window_->show();
  window_->raise();
  window_->activateWindow();
}

}  // namespace

std::unique_ptr<Window> create_window(const WindowDescription& description) {
  if (QApplication::instance() == nullptr) return nullptr;
  return std::make_unique<QtWindow>(description);
}

}  // namespace lc::platform
