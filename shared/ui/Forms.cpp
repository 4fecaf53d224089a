#include <QCloseEvent>
#include <QHideEvent>
#include <QMoveEvent>
#include <QShowEvent>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <exception>

#include "platform/base/Check.h"
#include "shared/ui/Form.h"

namespace qvt {

Form::Form(QWidget* parent) : QWidget(parent) {}

// A window destroyed by other means than an unload must not stay registered.
Form::~Form() {
  if (slot_ != nullptr)
    slot_->forget(this);
}

void Form::closeEvent(QCloseEvent* event) {
  if (bUnloading_ || Forms::Unload(*this)) {
    event->accept();
  } else {
    event->ignore();
  }
}

void Form::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  if (!event->spontaneous() && isWindow())
    hiddenAt_ = geometry().topLeft();
}

void Form::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous() || !hiddenAt_)
    return;
  const QPoint at = *hiddenAt_;
  hiddenAt_.reset();
  // The window is not mapped yet. Qt asks for no place for a window that did not move, and a
  // window manager then places it anew, as a window that never had a place (openbox puts it
  // where it overlaps least): the place is asked for afresh...
  placeClient(at);
  // ...and, as a window manager may still place it elsewhere (Qt may have taken the frame's
  // place for the client's while the window had no frame), put back once it is framed.
  restoreWhenFramed(at);
}

// The client area's place is what is asked for: the frame's size is the window manager's
// business, and Qt does not know it before the window is framed. Qt sends nothing for a place
// it believes the window has, so the request goes by way of a neighbouring place.
void Form::placeClient(QPoint at) {
  setGeometry(QRect(at + QPoint(1, 0), size()));
  setGeometry(QRect(at, size()));
}

bool Form::framed() const {
  const QWindow* handle = windowHandle();
  return handle != nullptr && handle->isExposed() &&
         (windowFlags().testFlag(Qt::FramelessWindowHint) || !handle->frameMargins().isNull());
}

void Form::restoreWhenFramed(QPoint at) {
  constexpr int kMovesEndedMs = 20;     // the window manager's moves come in a burst
  constexpr int kStillMs = 200;         // in place for this long after framing: done
  constexpr int kLongestWaitMs = 2000;  // the window manager never framed it: done
  if (movesEnded_ == nullptr) {
    const auto timer = [this](int ms, auto slot) {
      auto* t = new QTimer(this);
      t->setSingleShot(true);
      t->setInterval(ms);
      connect(t, &QTimer::timeout, this, slot);
      return t;
    };
    movesEnded_ = timer(kMovesEndedMs, [this] { checkHeldPlace(false); });
    stoodStill_ = timer(kStillMs, [this] {
      if (holdAt_ && framed() && geometry().topLeft() == *holdAt_)
        releaseHeldPlace();
    });
    deadline_ = timer(kLongestWaitMs, [this] { checkHeldPlace(true); });
  }
  holdAt_ = at;
  deadline_->start();
  movesEnded_->start();
}

void Form::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (holdAt_) {
    stoodStill_->stop();
    movesEnded_->start();
  }
}

void Form::checkHeldPlace(bool bDeadline) {
  if (!holdAt_)
    return;
  if (!isVisible() || hiddenAt_) {
    releaseHeldPlace();  // hidden again: the next show puts it back
    return;
  }
  if (framed() && geometry().topLeft() != *holdAt_)
    placeClient(*holdAt_);  // its moves bring the next look
  else if (framed() && !stoodStill_->isActive())
    stoodStill_->start();
  if (bDeadline)
    releaseHeldPlace();
}

void Form::releaseHeldPlace() {
  holdAt_.reset();
  movesEnded_->stop();
  stoodStill_->stop();
  deadline_->stop();
}

FormSlotBase::FormSlotBase(FormSet& set) : set_(set) {
  set_.slots_.push_back(this);
}

// A window that outlives its slot (the end of the program) no longer refers to it.
FormSlotBase::~FormSlotBase() {
  if (form_ != nullptr)
    form_->slot_ = nullptr;
  std::erase(set_.slots_, this);
}

void FormSlotBase::load(Form* form) {
  // Registered before its load handler runs, so that the handler can refer to its own window.
  form_ = form;
  form->slot_ = this;
  try {
    form->Form_Load();
  } catch (...) {
    forget(form);
    delete form;
    throw;
  }
}

void FormSlotBase::forget(const Form* form) {
  if (form_ != form)
    return;
  form_->slot_ = nullptr;
  form_ = nullptr;
}

void Forms::discard(Form* form) {
  form->bUnloading_ = true;
  if (form->slot_ != nullptr)
    form->slot_->forget(form);
  form->hide();
  form->deleteLater();
}

FormBusy::FormBusy(Form& form) : form_(form) {
  ++form_.iBusy_;
}

// The window is never deleted while busy, so form_ is still valid here. The unload handler may
// end the program (a fake ends it by throwing); that goes on to the caller unless the operation
// is already unwinding from a failure of its own.
FormBusy::~FormBusy() noexcept(false) {
  if (--form_.iBusy_ > 0 || !form_.bUnloadPending_)
    return;
  form_.bUnloadPending_ = false;
  if (std::uncaught_exceptions() == 0) {
    Forms::Unload(form_);
    return;
  }
  try {
    Forms::Unload(form_);
  } catch (...) {
    LogDropped(lcUi());  // an exception is already on its way out
  }
}

bool Forms::Unload(Form& form) {
  if (form.bUnloading_)
    return true;
  if (form.iBusy_ > 0) {
    if (!form.bUnloadPending_) {
      form.bUnloadPending_ = true;
      form.StopOperations();
    }
    return true;
  }
  form.bUnloading_ = true;
  bool bCancel = false;
  try {
    form.Form_Unload(bCancel);
  } catch (...) {
    form.bUnloading_ = false;
    throw;
  }
  if (bCancel) {
    form.bUnloading_ = false;
    return false;
  }
  discard(&form);
  return true;
}

void FormSet::UnloadAllWithoutHandlers() {
  for (FormSlotBase* slot : slots_) {
    if (slot->form_ != nullptr)
      Forms::discard(slot->form_);
  }
}

int FormSet::LoadedCount() const {
  return static_cast<int>(std::count_if(slots_.begin(), slots_.end(),
                                        [](const FormSlotBase* slot) { return slot->IsLoaded(); }));
}

}  // namespace qvt

// Form.h has no source of its own name, so its meta-object code is compiled here.
#include "moc_Form.cpp"  // NOLINT(bugprone-suspicious-include): generated by moc
