// The program creates the column chooser, the about box and the tool plot with the main window
// and frees them at shutdown.
#include <QLabel>
#include <QScrollArea>

#include <gtest/gtest.h>

#include <memory>

#include "fieldsform.h"
#include "imagewidget.h"
#include "program.h"
#include "satmain.h"
#include "splashform.h"
#include "toolplot.h"
#include "uitestutil.h"

namespace {

TEST(ProgramWindows, CreatedWithTheMainWindowAndFreedAtShutdown) {
  if (!uitest::ProgramBuilt()) GTEST_SKIP() << "the program, its library or its data are not built";
  uitest::TScriptedPrompts prompts;
  SetUiPrompts(&prompts);
  {
    uitest::TProgramFolder folder;
    TVelmarProgram program;
    const char* argv[] = {"Velmar"};
    TSatForm* form = program.Start(1, argv);
    ASSERT_NE(form, nullptr);
    ASSERT_NE(FieldsForm, nullptr);
    ASSERT_NE(SplashForm, nullptr);
    EXPECT_EQ(FieldsForm->parentWidget(), form);
    EXPECT_EQ(SplashForm->parentWidget(), form);
    EXPECT_EQ(FieldsForm->DisplayedFields().size(), 6u);
    EXPECT_EQ(SplashForm->VersionLabel->text().toStdString(), "Version 0.4");

    ASSERT_NE(ToolPlot, nullptr);
    ASSERT_NE(ToolPlot->Control(), nullptr);
    EXPECT_EQ(ToolPlot->Control(), form->ToolsPlotScrollBox->widget());
    EXPECT_EQ(ToolPlot->Control()->objectName().toStdString(), "ToolPlot");
    ToolPlot->Control()->resize(400, 300);
    ToolPlot->Clear();
    ToolPlot->DrawSat(EmptySat);
    EXPECT_EQ(ToolPlot->Control()->Image(), &ToolPlot->Picture());
    EXPECT_EQ(ToolPlot->Picture().size(), QSize(400, 300));

    program.Shutdown();
    EXPECT_EQ(FieldsForm, nullptr);
    EXPECT_EQ(SplashForm, nullptr);
    EXPECT_EQ(ToolPlot, nullptr);
  }
  SetUiPrompts(nullptr);
}

}  // namespace
