#include "Global.h"
#include "MultiButton.h"
#include "Values.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

using Platform::BackColor;
using Platform::ForeColor;

namespace {

class FormStyle : public ::testing::Test {
protected:
    void SetUp() override {
        Global::gColFormBack = 0xBE956A;
        Global::gColPanel = 0xA08053;
        Global::gColText = 0xFFFFFF;
        Global::gColButton = 0xAE855A;
        Global::gColBtnConfirm = 0x8000;
        Global::gColBtnCancel = 0x9090;
        Global::gColBtnNew = 0x70C0;
        Global::gColBtnSearch = 0x77B33F;
        Global::gColInputBack = 0xFFFFFF;
        Global::gColInputFore = 0;
    }
    template <class T>
    T* Add(const QString& name, const QString& caption = QString(), QWidget* parent = nullptr) {
        auto* w = new T(parent ? parent : &form);
        w->setObjectName(name);
        if constexpr (std::is_base_of_v<QAbstractButton, T>) w->setText(caption);
        return w;
    }
    QWidget form;
};

}  // namespace

TEST_F(FormStyle, MultiStateButtonsTakeTheirColourFromNameAndCaption) {
    struct Case {
        const char* name;
        const char* caption;
        std::int32_t colour;
    } cases[] = {
        {"cmdEsci", "esci", 0x9090},           {"cmdAnnulla", "", 0x9090},
        {"CMDCONFERMA", "", 0x8000},           {"cmdSeleziona", "", 0x8000},
        {"cmdX", "sele", 0xAE855A},            {"cmdX", "Conferma dati", 0x8000},
        {"cmdNuovo", "", 0x70C0},              {"cmdRicerca", "", 0x77B33F},
        {"cmdCercaAzienda", "", 0x77B33F},     {"cmdElimina", "elimina utente", 0xAE855A},
        {"cmdFine", "", 0x9090},               {"cmdSalvaNuovo", "", 0x8000},  // first group wins
    };
    QList<Platform::MultiButton*> buttons;
    for (const auto& c : cases) buttons.append(Add<Platform::MultiButton>(c.name, c.caption));
    Global::ApplyFormStyle(&form);
    for (int i = 0; i < buttons.size(); ++i) {
        EXPECT_EQ(BackColor(buttons[i]), cases[i].colour) << cases[i].name << " / " << cases[i].caption;
        EXPECT_EQ(ForeColor(buttons[i]), 0xFFFFFF);
        EXPECT_EQ(buttons[i]->ColorScheme(), 2);
    }
}

TEST_F(FormStyle, PlainButtonsDoNotTreatSelectionAsConfirm) {
    auto* sele = Add<QPushButton>("cmdSeleziona");
    auto* cancel = Add<QPushButton>("cmdCancel");
    auto* ok = Add<QPushButton>("cmdOK");
    Global::ApplyFormStyle(&form);
    EXPECT_EQ(BackColor(sele), 0xAE855A);
    EXPECT_EQ(BackColor(cancel), 0x9090);
    EXPECT_EQ(BackColor(ok), 0x8000);
    EXPECT_EQ(ForeColor(ok), -1);  // the plain button's text is left alone
}

TEST_F(FormStyle, FormInputsLabelsFramesAndCheckBoxes) {
    auto* text = Add<QLineEdit>("txNome");
    auto* plain = Add<QLabel>("lblNome");
    auto* boxed = Add<QLabel>("lblBordo");
    boxed->setFrameShape(QFrame::Box);
    boxed->setAutoFillBackground(true);
    auto* frame = Add<QGroupBox>("fraDati");
    auto* inFrame = Add<QCheckBox>("ckAvviso", "avviso", frame);
    auto* onForm = Add<QCheckBox>("ckAltro", "altro");
    Global::ApplyFormStyle(&form);
    EXPECT_EQ(BackColor(&form), 0xBE956A);
    EXPECT_EQ(ForeColor(&form), 0xFFFFFF);
    EXPECT_EQ(BackColor(text), 0xFFFFFF);
    EXPECT_EQ(ForeColor(text), 0);
    EXPECT_EQ(ForeColor(plain), 0xFFFFFF);
    EXPECT_FALSE(plain->autoFillBackground());
    EXPECT_EQ(ForeColor(boxed), -1);  // bordered and opaque: keeps its colours
    EXPECT_EQ(BackColor(frame), 0xA08053);
    EXPECT_EQ(BackColor(inFrame), 0xA08053);  // frame painted before its check box
    EXPECT_EQ(BackColor(onForm), 0xBE956A);
}

TEST_F(FormStyle, DisabledControlsLookDisabled) {
    auto* save = Add<Platform::MultiButton>("cmdSalva", "salva");
    auto* text = Add<QLineEdit>("txNome");
    auto* check = Add<QCheckBox>("ckAvviso", "avviso");
    Global::ApplyFormStyle(&form);
    form.resize(400, 200);
    save->setGeometry(10, 10, 120, 30);
    text->setGeometry(10, 50, 120, 24);
    check->setGeometry(10, 90, 120, 24);
    form.show();
    for (QWidget* w : std::initializer_list<QWidget*>{save, text, check}) {
        const QImage enabled = w->grab().toImage();
        w->setEnabled(false);
        const QImage disabled = w->grab().toImage();
        w->setEnabled(true);
        EXPECT_NE(enabled, disabled) << w->objectName().toStdString();
    }
    // The save button's ground and text both change when it is off.
    const QPalette p = save->palette();
    EXPECT_NE(p.color(QPalette::Disabled, QPalette::Window), p.color(QPalette::Active, QPalette::Window));
    EXPECT_NE(p.color(QPalette::Disabled, QPalette::ButtonText), p.color(QPalette::Active, QPalette::ButtonText));
}

TEST_F(FormStyle, AnEmptyFormGetsItsOwnColours) {
    Global::ApplyFormStyle(&form);
    EXPECT_EQ(BackColor(&form), 0xBE956A);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0x6A, 0x95, 0xBE));
}

TEST_F(FormStyle, AListComboInAFrameKeepsReadableText) {
    auto* frame = Add<QGroupBox>("Frame1");
    auto* combo = Add<QComboBox>("cbTipo", QString(), frame);
    Global::ApplyFormStyle(&form);
    EXPECT_EQ(combo->palette().color(QPalette::ButtonText), Platform::BgrToColor(Global::gColInputFore));
    EXPECT_EQ(frame->palette().color(QPalette::ButtonText), Platform::BgrToColor(Global::gColText));
}
