// The window accessor: one instance per class, created and loaded on first reference, fresh
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
    Forms::Get<frmSample>().iMember += 1;
  }
  void Form_Unload(bool& bCancel) override {
    ++g_counters.unloads;
    bCancel = g_counters.bCancelUnload;
    // Unloading itself again from its own unload handler does not run the handler twice.
    Forms::Unload<frmSample>();
  }

 private:
  // A button that unloads its own window, then goes on using its members.
  void cmdClose_Click() {
    Forms::Unload<frmSample>();
    bLoadedWhenClicked = Forms::IsLoaded<frmSample>();
    iMemberAfterUnload = iMember;
  }
};

class frmOther : public Form {
 protected:
  void Form_Unload(bool&) override { ++g_counters.unloads; }
};

void DeleteUnloaded() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

class FormsTest : public testing::Test {
 protected:
  FormsTest() { g_counters = Counters(); }
  ~FormsTest() override {
    Forms::UnloadAllWithoutHandlers();
    DeleteUnloaded();
  }
};

}  // namespace

TEST_F(FormsTest, FirstReferenceCreatesAndLoadsWithoutShowing) {
  EXPECT_FALSE(Forms::IsLoaded<frmSample>());
  frmSample& first = Forms::Get<frmSample>();
  EXPECT_TRUE(Forms::IsLoaded<frmSample>());
  EXPECT_FALSE(first.isVisible());
  EXPECT_EQ(first.iMember, 2);
  EXPECT_EQ(&Forms::Get<frmSample>(), &first);
  EXPECT_EQ(g_counters.loads, 1);
  EXPECT_FALSE(Forms::IsLoaded<frmOther>()) << "each class has its own instance";
  EXPECT_EQ(Forms::LoadedCount(), 1);
}

TEST_F(FormsTest, UnloadRunsTheHandlerAndTheNextReferenceIsFresh) {
  frmSample& first = Forms::Get<frmSample>();
  first.iMember = 42;
  first.show();
  QPointer<frmSample> old(&first);
  EXPECT_TRUE(Forms::Unload<frmSample>());
  EXPECT_EQ(g_counters.unloads, 1);
  EXPECT_FALSE(Forms::IsLoaded<frmSample>());
  EXPECT_FALSE(old->isVisible());
  frmSample& second = Forms::Get<frmSample>();
  EXPECT_EQ(second.iMember, 2);
  EXPECT_EQ(g_counters.loads, 2);
  DeleteUnloaded();
  EXPECT_TRUE(old.isNull());
  EXPECT_TRUE(Forms::IsLoaded<frmSample>()) << "deleting the old one leaves the new one loaded";
}

TEST_F(FormsTest, CancelledUnloadKeepsTheWindow) {
  frmSample& form = Forms::Get<frmSample>();
  form.show();
  g_counters.bCancelUnload = true;
  EXPECT_FALSE(Forms::Unload<frmSample>());
  EXPECT_FALSE(form.close()) << "a user close runs the same handler";
  EXPECT_EQ(g_counters.unloads, 2);
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(&Forms::Get<frmSample>(), &form);
  g_counters.bCancelUnload = false;
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(Forms::IsLoaded<frmSample>());
  EXPECT_EQ(g_counters.unloads, 3);
}

TEST_F(FormsTest, ButtonThatUnloadsItsOwnWindow) {
  frmSample& form = Forms::Get<frmSample>();
  form.show();
  QPointer<frmSample> old(&form);
  form.iMember = 7;
  QTest::mouseClick(form.cmdClose, Qt::LeftButton);
  EXPECT_FALSE(form.bLoadedWhenClicked) << "forgotten at once";
  EXPECT_EQ(form.iMemberAfterUnload, 7) << "the object lives on until its handler is done";
  EXPECT_EQ(g_counters.unloads, 1);
  EXPECT_NE(&Forms::Get<frmSample>(), old.data());
  DeleteUnloaded();
  EXPECT_TRUE(old.isNull());
}

TEST_F(FormsTest, UnloadAllRunsNoHandler) {
  QPointer<Form> a(&Forms::Get<frmSample>());
  QPointer<Form> b(&Forms::Get<frmOther>());
  a->show();
  Forms::UnloadAllWithoutHandlers();
  EXPECT_EQ(Forms::LoadedCount(), 0);
  EXPECT_EQ(g_counters.unloads, 0);
  EXPECT_FALSE(a->isVisible());
  DeleteUnloaded();
  EXPECT_TRUE(a.isNull());
  EXPECT_TRUE(b.isNull());
  EXPECT_EQ(g_counters.unloads, 0) << "nor does destroying them";
}

TEST_F(FormsTest, UnloadWhatIsNotLoadedDoesNothing) {
  EXPECT_TRUE(Forms::Unload<frmSample>());
  EXPECT_EQ(g_counters.loads, 0);
  EXPECT_EQ(g_counters.unloads, 0);
}

TEST_F(FormsTest, DeletedWindowIsForgotten) {
  delete &Forms::Get<frmOther>();
  EXPECT_FALSE(Forms::IsLoaded<frmOther>());
  EXPECT_EQ(g_counters.unloads, 0);
}

TEST_F(FormsTest, FailedLoadLeavesNothingLoaded) {
  g_counters.bThrowOnLoad = true;
  EXPECT_THROW(Forms::Get<frmSample>(), std::runtime_error);
  EXPECT_FALSE(Forms::IsLoaded<frmSample>());
  g_counters.bThrowOnLoad = false;
  EXPECT_EQ(Forms::Get<frmSample>().iMember, 2);
}
