// The column chooser: the default display, moving and ordering fields, the two-column rule, and
// the field texts by header name.
#include <QApplication>
#include <QListWidget>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ISatellites.h"
#include "fieldsform.h"
#include "sat.h"
#include "satmain.h"
#include "sats.h"

namespace {

using Names = std::vector<std::string>;

void EnsureApp() {
  static int argc = 1;
  static char name[] = "fields_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = qApp ? nullptr : new QApplication(argc, argv);
  (void)app;
}

Names Items(const QListWidget* list) {
  Names out;
  for (int i = 0; i < list->count(); ++i) out.push_back(list->item(i)->text().toStdString());
  return out;
}

Names Selected(const QListWidget* list) {
  Names out;
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->isSelected()) out.push_back(list->item(i)->text().toStdString());
  return out;
}

void Select(QListWidget* list, const Names& names) {
  list->clearSelection();
  for (int i = 0; i < list->count(); ++i)
    for (const auto& n : names)
      if (list->item(i)->text().toStdString() == n) list->item(i)->setSelected(true);
}

const Names kDefault = {"Norad Nr", "Name", "Rep.Long", "Transp.", "Remarks", "URL"};
const Names kOthers = {"Cospar Name", "Long", "Lat", "HA", "LHA", "Pol", "Dec",
                       "Azi", "Elev", "PulseCount", "Pos", "RotorHA", "CalcPC", "Dev"};

class FieldsFormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    form = std::make_unique<TFieldsForm>();
  }
  std::unique_ptr<TFieldsForm> form;
};

TEST_F(FieldsFormTest, StartsWithTheFirstSixFieldsDisplayed) {
  EXPECT_EQ(form->windowTitle().toStdString(), "Select Displayed Fields");
  EXPECT_EQ(Items(form->DispListBox), kDefault);
  EXPECT_EQ(form->DisplayedFields(), kDefault);
  EXPECT_EQ(Items(form->AvailListBox), kOthers);
  EXPECT_TRUE(Selected(form->AvailListBox).empty());
  EXPECT_TRUE(Selected(form->DispListBox).empty());
}

TEST_F(FieldsFormTest, MovingSelectedFields) {
  struct Case {
    const char* what;
    bool fromAvail;
    Names select;
    Names dispAfter;
    Names sourceSelection;  // in the box the fields came from
  } const cases[] = {
      {"two fields to the end", true, {"Long", "Azi"},
       {"Norad Nr", "Name", "Rep.Long", "Transp.", "Remarks", "URL", "Long", "Azi"}, {"Lat"}},
      {"the last one: the new last is selected", true, {"Dev"},
       {"Norad Nr", "Name", "Rep.Long", "Transp.", "Remarks", "URL", "Dev"}, {"CalcPC"}},
      {"nothing selected: nothing moves", true, {}, kDefault, {}},
      {"back to the available list", false, {"Name", "Remarks"}, {"Norad Nr", "Rep.Long", "Transp.", "URL"},
       {"Rep.Long"}},
      {"everything displayed: the box is emptied", false, kDefault, {}, {}},
  };
  for (const auto& c : cases) {
    form->SetFields(SatFieldNames);
    QListWidget* source = c.fromAvail ? form->AvailListBox : form->DispListBox;
    Select(source, c.select);
    form->SelDeselButtonClick(c.fromAvail ? form->SelButton : form->DeselButton);
    EXPECT_EQ(Items(form->DispListBox), c.dispAfter) << c.what;
    EXPECT_EQ(Selected(source), c.sourceSelection) << c.what;
    EXPECT_EQ(form->AvailListBox->count() + form->DispListBox->count(), SatFieldCount) << c.what;
  }
  // Moved fields land at the end of the available list.
  form->SetFields(SatFieldNames);
  Select(form->DispListBox, {"Name"});
  form->SelDeselButtonClick(form->DeselButton);
  EXPECT_EQ(Items(form->AvailListBox).back(), "Name");
}

TEST_F(FieldsFormTest, UpAndDownMoveSelectedBlocks) {
  struct Case {
    const char* what;
    bool up;
    Names select;
    Names after;
  } const cases[] = {
      {"block up", true, {"Transp.", "Remarks"}, {"Norad Nr", "Name", "Transp.", "Remarks", "Rep.Long", "URL"}},
      {"block at the top stays", true, {"Norad Nr", "Name"}, kDefault},
      {"two single items up", true, {"Name", "Remarks"}, {"Name", "Norad Nr", "Rep.Long", "Remarks", "Transp.", "URL"}},
      {"block down", false, {"Name", "Rep.Long"}, {"Norad Nr", "Transp.", "Name", "Rep.Long", "Remarks", "URL"}},
      {"block at the bottom stays", false, {"Remarks", "URL"}, kDefault},
      {"top block and last item", false, {"Norad Nr", "URL"}, {"Name", "Norad Nr", "Rep.Long", "Transp.", "Remarks", "URL"}},
  };
  for (const auto& c : cases) {
    form->SetFields(SatFieldNames);
    Select(form->DispListBox, c.select);
    if (c.up)
      form->FieldUpButtonClick(form->FieldUpButton);
    else
      form->FieldDownButtonClick(form->FieldDownButton);
    EXPECT_EQ(Items(form->DispListBox), c.after) << c.what;
    Names sel = Selected(form->DispListBox);
    std::sort(sel.begin(), sel.end());
    Names want = c.select;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(sel, want) << c.what;
  }
}

TEST_F(FieldsFormTest, HidingWithFewerThanTwoColumnsDisplaysAll) {
  form->show();
  Select(form->DispListBox, {"Norad Nr", "Rep.Long", "Transp.", "Remarks", "URL"});
  form->SelDeselButtonClick(form->DeselButton);
  ASSERT_EQ(Items(form->DispListBox), Names{"Name"});
  form->OKButtonClick(form->OKButton);  // closes: the dialog hides
  EXPECT_FALSE(form->isVisible());
  Names want = {"Name"};
  want.insert(want.end(), kOthers.begin(), kOthers.end());
  for (const char* n : {"Norad Nr", "Rep.Long", "Transp.", "Remarks", "URL"}) want.push_back(n);
  EXPECT_EQ(Items(form->DispListBox), want);
  EXPECT_EQ(form->result(), QDialog::Accepted);

  // Two columns are enough.
  form->SetFields(SatFieldNames);
  form->show();
  Select(form->DispListBox, {"Norad Nr", "Rep.Long", "Transp.", "Remarks"});
  form->SelDeselButtonClick(form->DeselButton);
  form->hide();
  EXPECT_EQ(Items(form->DispListBox), (Names{"Name", "URL"}));
}

TEST_F(FieldsFormTest, FieldsByHeaderName) {
  TSat s;
  s.Name = "Hot Bird 13C";
  s.TwoLine.NoradNr = 33459;
  s.SatPos.HA = 10;
  EXPECT_EQ(form->GetFieldText(s, "norad nr"), "33459");
  EXPECT_EQ(form->GetFieldText(s, "NAME"), "Hot Bird 13C");
  EXPECT_EQ(form->GetFieldText(s, "CalcPC"), "0");  // no collection: no fit
  EXPECT_EQ(form->GetFieldText(s, "Unknown"), "");
  EXPECT_EQ(form->GetFieldWidth("remarks"), 180);
  EXPECT_EQ(form->GetFieldWidth("Unknown"), 64);
  EXPECT_TRUE(form->SetFieldText(s, "transp.", "Ku"));
  EXPECT_EQ(s.SatInfo.Bands, "Ku");
  EXPECT_FALSE(form->SetFieldText(s, "Unknown", "x"));
}

TEST_F(FieldsFormTest, AtMostTwentyNamesAreTaken) {
  std::string text = SatFieldNames;
  text += ",Extra1,Extra2";
  form->SetFields(text);
  EXPECT_EQ(form->AvailListBox->count() + form->DispListBox->count(), SatFieldCount);
  // A field's type is its position in the names given.
  form->SetFields("A,B,C,D,E,F,Gee");
  EXPECT_EQ(Items(form->DispListBox), (Names{"A", "B", "C", "D", "E", "F"}));
  TSat s;
  s.TwoLine.CosparName = "1998-050A";
  EXPECT_EQ(form->GetFieldText(s, "gee"), "1998-050A");
  EXPECT_EQ(form->GetFieldWidth("Gee"), 80);
}

// Renaming goes through the program's collection and re-keys its name list.
class NullHost : public ISatsHost {
 public:
  void ShowMessage(const std::string&) override {}
  int RunProgramAndWait(const std::string&, const std::vector<std::string>&, const std::string&) override { return 0; }
  std::string SystemFolder() override { return "/nonexistent-velmar-system"; }
};

TEST_F(FieldsFormTest, RenameThroughTheCollection) {
  NullHost host;
  TSats sats(host, [](ISatellites** out) {
    *out = nullptr;
    return E_FAIL;
  });
  sats.LoadTwoLineFile("/nonexistent-velmar/none.txt");  // adds the Sun and the Moon
  TSat* moon = sats.FindSat("Moon");
  ASSERT_NE(moon, &EmptySat);
  Sats = &sats;
  EXPECT_FALSE(form->SetFieldText(*moon, "Name", " Moon "));
  EXPECT_TRUE(form->SetFieldText(*moon, "Name", " Luna "));
  EXPECT_EQ(moon->Name, "Luna");
  EXPECT_EQ(sats.FindSat("luna"), moon);
  EXPECT_EQ(sats.FindSat("Moon"), &EmptySat);
  EXPECT_FALSE(form->SetFieldText(*moon, "Name", "   "));  // an empty name is refused
  EXPECT_EQ(moon->Name, "Luna");
  // The collection's fit feeds the computed pulse count.
  sats.FitSlope = 2;
  sats.FitIntercept = 1.5;
  moon->SatPos.HA = 10;
  EXPECT_EQ(form->GetFieldText(*moon, "CalcPC"), "21.5");
  Sats = nullptr;
}

}  // namespace
