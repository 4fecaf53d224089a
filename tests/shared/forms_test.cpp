// The window slots: one instance per slot, created and loaded on first reference, fresh
// after an unload, safe to unload from inside the window's own handlers.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "shared/ui/Form.h"

using namespace qvt;

namespace {

struct Counters {
  int loads = 0;
  int unloads = 0;
  bool bCancelUnload = false;
  bool bThrowOnLoad = false;
};
Counters g_counters;

class frmSample;
class frmOther;
FormSet& Set();
FormSlot<frmSample>& Sample();
FormSlot<frmOther>& Other();

class frmSample : public Form {
 public:
  frmSample() : cmdClose(new QPushButton(QStringLiteral("&Close"), this)) {
    QObject::connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
  }
  int iMember = 0;
  QPushButton* cmdClose;
  bool bLoadedWhenClicked = true;
  int iMemberAfterUnload = -1;

 protected:
  void Form_Load() override {
    ++g_counters.loads;
    if (g_counters.bThrowOnLoad)
      throw std::runtime_error("load failed");
    iMember = 1;
    // The load handler may refer to its own window: the same instance, not a new one.
    Sample().Get().iMember += 1;
  }
  void Form_Unload(bool& bCancel) override {
    ++g_counters.unloads;
    bCancel = g_counters.bCancelUnload;
    // Unloading itself again from its own unload handler does not run the handler twice.
    Sample().Unload();
  }

 private:
  // A button that unloads its own window, then goes on using its members.
  void cmdClose_Click() {
    Sample().Unload();
    bLoadedWhenClicked = Sample().IsLoaded();
    iMemberAfterUnload = iMember;
  }
};

class frmOther : public Form {
 protected:
  void Form_Unload(bool&) override { ++g_counters.unloads; }
};

FormSet& Set() {
  static FormSet set;
  return set;
}

FormSlot<frmSample>& Sample() {
  static FormSlot<frmSample> slot(Set(), [] { return new frmSample(); });
  return slot;
}

FormSlot<frmOther>& Other() {
  static FormSlot<frmOther> slot(Set(), [] { return new frmOther(); });
  return slot;
}

void DeleteUnloaded() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class FormsTest : public testing::Test {
 protected:
  FormsTest() { g_counters = Counters(); }
  ~FormsTest() override {
    Set().UnloadAllWithoutHandlers();
    DeleteUnloaded();
  }
};

}  // namespace

TEST_F(FormsTest, FirstReferenceCreatesAndLoadsWithoutShowing) {
  EXPECT_FALSE(Sample().IsLoaded());
  frmSample& first = Sample().Get();
  EXPECT_TRUE(Sample().IsLoaded());
  EXPECT_FALSE(first.isVisible());
  EXPECT_EQ(first.iMember, 2);
  EXPECT_EQ(&Sample().Get(), &first);
  EXPECT_EQ(g_counters.loads, 1);
  EXPECT_FALSE(Other().IsLoaded()) << "each class has its own instance";
  EXPECT_EQ(Set().LoadedCount(), 1);
}

TEST_F(FormsTest, UnloadRunsTheHandlerAndTheNextReferenceIsFresh) {
  frmSample& first = Sample().Get();
  first.iMember = 42;
  first.show();
  QPointer<frmSample> old(&first);
  EXPECT_TRUE(Sample().Unload());
  EXPECT_EQ(g_counters.unloads, 1);
  EXPECT_FALSE(Sample().IsLoaded());
  EXPECT_FALSE(old->isVisible());
  frmSample& second = Sample().Get();
  EXPECT_EQ(second.iMember, 2);
  EXPECT_EQ(g_counters.loads, 2);
  DeleteUnloaded();
  EXPECT_TRUE(old.isNull());
  EXPECT_TRUE(Sample().IsLoaded()) << "deleting the old one leaves the new one loaded";
}

TEST_F(FormsTest, CancelledUnloadKeepsTheWindow) {
  frmSample& form = Sample().Get();
  form.show();
  g_counters.bCancelUnload = true;
  EXPECT_FALSE(Sample().Unload());
  EXPECT_FALSE(form.close()) << "a user close runs the same handler";
  EXPECT_EQ(g_counters.unloads, 2);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(&Sample().Get(), &form);
  g_counters.bCancelUnload = false;
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(Sample().IsLoaded());
  EXPECT_EQ(g_counters.unloads, 3);
}

TEST_F(FormsTest, ButtonThatUnloadsItsOwnWindow) {
  frmSample& form = Sample().Get();
  form.show();
  QPointer<frmSample> old(&form);
  form.iMember = 7;
  QTest::mouseClick(form.cmdClose, Qt::LeftButton);
  EXPECT_FALSE(form.bLoadedWhenClicked) << "forgotten at once";
  EXPECT_EQ(form.iMemberAfterUnload, 7) << "the object lives on until its handler is done";
  EXPECT_EQ(g_counters.unloads, 1);
  EXPECT_NE(&Sample().Get(), old.data());
  DeleteUnloaded();
  EXPECT_TRUE(old.isNull());
}

TEST_F(FormsTest, UnloadAllRunsNoHandler) {
  QPointer<Form> a(&Sample().Get());
  QPointer<Form> b(&Other().Get());
  a->show();
  Set().UnloadAllWithoutHandlers();
  EXPECT_EQ(Set().LoadedCount(), 0);
  EXPECT_EQ(g_counters.unloads, 0);
  EXPECT_FALSE(a->isVisible());
  DeleteUnloaded();
  EXPECT_TRUE(a.isNull());
  EXPECT_TRUE(b.isNull());
  EXPECT_EQ(g_counters.unloads, 0) << "nor does destroying them";
}

TEST_F(FormsTest, UnloadWhatIsNotLoadedDoesNothing) {
  EXPECT_TRUE(Sample().Unload());
  EXPECT_EQ(g_counters.loads, 0);
  EXPECT_EQ(g_counters.unloads, 0);
}

TEST_F(FormsTest, DeletedWindowIsForgotten) {
  delete &Other().Get();
  EXPECT_FALSE(Other().IsLoaded());
  EXPECT_EQ(g_counters.unloads, 0);
}

TEST_F(FormsTest, FailedLoadLeavesNothingLoaded) {
  g_counters.bThrowOnLoad = true;
  EXPECT_THROW(Sample().Get(), std::runtime_error);
  EXPECT_FALSE(Sample().IsLoaded());
  g_counters.bThrowOnLoad = false;
  EXPECT_EQ(Sample().Get().iMember, 2);
}
