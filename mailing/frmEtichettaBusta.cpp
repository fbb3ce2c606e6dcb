#include "frmEtichettaBusta.h"

#include "AddressLayout.h"
#include "MultiButton.h"
#include "Runtime.h"
#include "Settings.h"
#include "Values.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Platform;

namespace {

// Settings keys of the seven check boxes, in their order.
const char* const kFlagKeys[7] = {"ID", "AZIENDA", "TITOLO", "NOMECOGNOME", "RUOLO", "INDIRIZZO", "NAZIONE"};
const char* const kFlagCaptions[7] = {"ID", "Azienda", "titolo", "nome e cognome", "ruolo",
                                      "indirizzo (con CAP,città, provincia)", "nazione"};
const char* const kFlagDefaults[7] = {"0", "1", "1", "1", "0", "1", "0"};
enum { cID, cAzienda, cTitolo, cNomeCognome, cRuolo, cIndirizzo, cNazione };

struct Measure {
    QLineEdit** box;
    const char* section;
    const char* key;
    const char* def;
};

QLineEdit* MmBox(QWidget* parent, const char* name, QGridLayout* grid, int row, int column, const QString& caption) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaximumWidth(70);
    grid->addWidget(new QLabel(caption, parent), row, column);
    grid->addWidget(box, row, column + 1);
    grid->addWidget(new QLabel(QStringLiteral("mm"), parent), row, column + 2);
    return box;
}

}  // namespace

frmEtichettaBusta::frmEtichettaBusta() {
    setWindowTitle(QStringLiteral("Impostazioni buste ed etichette"));
    auto* layout = new QVBoxLayout(this);
    auto* kinds = new QHBoxLayout;
    OpBusta = new QRadioButton(QStringLiteral("Buste"), this);
    OpBusta->setObjectName("OpBusta");
    opEtichette = new QRadioButton(QStringLiteral("Etichette"), this);
    opEtichette->setObjectName("opEtichette");
    kinds->addWidget(OpBusta);
    kinds->addWidget(opEtichette);
    kinds->addStretch(1);
    layout->addLayout(kinds);

    frBuste = new QGroupBox(QStringLiteral("impostazioni per la busta"), this);
    frBuste->setObjectName("frBuste");
    auto* envelope = new QGridLayout(frBuste);
    txLeft = MmBox(frBuste, "txLeft", envelope, 0, 0, QStringLiteral("da sinistra"));
    txTop = MmBox(frBuste, "txTop", envelope, 0, 3, QStringLiteral("dall'alto"));
    layout->addWidget(frBuste);

    frEtichette = new QGroupBox(QStringLiteral("impostazioni per le etichette"), this);
    frEtichette->setObjectName("frEtichette");
    auto* labels = new QGridLayout(frEtichette);
    labels->addWidget(new QLabel(QStringLiteral("dimensioni etichetta"), frEtichette), 0, 0, 1, 3);
    labels->addWidget(new QLabel(QStringLiteral("margini del foglio"), frEtichette), 0, 3, 1, 3);
    txLarghezza = MmBox(frEtichette, "txLarghezza", labels, 1, 0, QStringLiteral("larghezza"));
    txAltezza = MmBox(frEtichette, "txAltezza", labels, 2, 0, QStringLiteral("altezza"));
    txMargTop = MmBox(frEtichette, "txMargTop", labels, 1, 3, QStringLiteral("sopra"));
    txMargLeft = MmBox(frEtichette, "txMargLeft", labels, 2, 3, QStringLiteral("sinistra"));
    layout->addWidget(frEtichette);

    auto* fieldsAndSample = new QHBoxLayout;
    Frame1 = new QGroupBox(QStringLiteral(" campi da stampare "), this);
    Frame1->setObjectName("Frame1");
    auto* flags = new QVBoxLayout(Frame1);
    for (int i = 0; i < 7; ++i) {
        ckCampi[size_t(i)] = new QCheckBox(QString::fromUtf8(kFlagCaptions[i]), Frame1);
        ckCampi[size_t(i)]->setObjectName(QStringLiteral("ckCampi_%1").arg(i));
        flags->addWidget(ckCampi[size_t(i)]);
        connect(ckCampi[size_t(i)], &QCheckBox::clicked, this, [this, i] { ckCampi_Click(i); });
    }
    fieldsAndSample->addWidget(Frame1);
    auto* sample = new QVBoxLayout;
    Label11 = new QLabel(QStringLiteral("esempio"), this);
    Label11->setObjectName("Label11");
    picLabel = new QWidget(this);
    picLabel->setObjectName("picLabel");
    picLabel->setFont(QFont(QStringLiteral("Arial"), 8));
    picLabel->setMinimumSize(260, 130);
    picLabel->setAutoFillBackground(true);
    QPalette white = picLabel->palette();
    white.setColor(QPalette::Window, Qt::white);
    picLabel->setPalette(white);
    picLabel->installEventFilter(this);
    sample->addWidget(Label11);
    sample->addWidget(picLabel, 1);
    fieldsAndSample->addLayout(sample, 1);
    layout->addLayout(fieldsAndSample);

    auto* buttons = new QHBoxLayout;
    Command2 = new MultiButton(QStringLiteral("conferma"), this);
    Command2->setObjectName("Command2");
    Command1 = new MultiButton(QStringLiteral("esci"), this);
    Command1->setObjectName("Command1");
    buttons->addStretch(1);
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);
    layout->addLayout(buttons);
    Command2->setDefault(true);
    SetCancelButton(Command1);
    connect(Command1, &QPushButton::clicked, this, &frmEtichettaBusta::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmEtichettaBusta::Command2_Click);
}

void frmEtichettaBusta::Form_Load() {
    const QString app = App::EXEName();
    (GetSetting(app, "DATIINDIRIZZO", "TIPO", "B") == "B" ? OpBusta : opEtichette)->setChecked(true);
    const Measure measures[] = {{&txLeft, "BUSTE", "Left", "150"},          {&txTop, "BUSTE", "Top", "37"},
                                {&txLarghezza, "ETICHETTE", "Larghezza", "64"}, {&txAltezza, "ETICHETTE", "Altezza", "37"},
                                {&txMargLeft, "ETICHETTE", "Left", "5"},      {&txMargTop, "ETICHETTE", "Top", "5"}};
    for (const Measure& m : measures) (*m.box)->setText(GetSetting(app, m.section, m.key, m.def));
    for (int i = 0; i < 7; ++i)
        ckCampi[size_t(i)]->setChecked(AddressLayout::Flag(GetSetting(app, "DATIINDIRIZZO", kFlagKeys[i], kFlagDefaults[i])));
    ckCampi_Click(cTitolo);
}

void frmEtichettaBusta::ckCampi_Click(int) {
    // A title is printed only together with the name.
    if (ckCampi[cTitolo]->isChecked() && !ckCampi[cNomeCognome]->isChecked()) ckCampi[cTitolo]->setChecked(false);
    picLabel->update();
}

void frmEtichettaBusta::Command1_Click() { Unload(); }

void frmEtichettaBusta::Command2_Click() {
    auto number = [](QLineEdit* box) { return AddressLayout::Number(box->text()); };
    // Labels without a size would all be printed on one spot of one sheet;
    // envelopes do not use the label's size.
    if (opEtichette->isChecked() && (number(txLarghezza) <= 0 || number(txAltezza) <= 0)) {
        MsgBox(QString::fromUtf8(kEtichettaSenzaMisure));
        return;
    }
    const QString app = App::EXEName();
    SaveSetting(app, "DATIINDIRIZZO", "TIPO", OpBusta->isChecked() ? "B" : "E");
    const std::pair<QLineEdit*, std::pair<const char*, const char*>> measures[] = {
        {txLeft, {"BUSTE", "Left"}},           {txTop, {"BUSTE", "Top"}},
        {txLarghezza, {"ETICHETTE", "Larghezza"}}, {txAltezza, {"ETICHETTE", "Altezza"}},
        {txMargLeft, {"ETICHETTE", "Left"}},   {txMargTop, {"ETICHETTE", "Top"}}};
    for (const auto& [box, where] : measures)
        SaveSetting(app, where.first, where.second, AddressLayout::NumberText(number(box)));
    for (int i = 0; i < 7; ++i)
        SaveSetting(app, "DATIINDIRIZZO", kFlagKeys[i], ckCampi[size_t(i)]->isChecked() ? "1" : "0");
    Unload();
}

QList<QPair<int, QString>> frmEtichettaBusta::SampleLines() const {
    QList<QPair<int, QString>> lines;
    auto on = [this](int i) { return ckCampi[size_t(i)]->isChecked(); };
    if (on(cID)) lines << qMakePair(45, QStringLiteral("12837"));
    if (on(cAzienda)) {
        lines << qMakePair(5, QStringLiteral("spett.le"));
        lines << qMakePair(45, QStringLiteral("Tipografia Rinaldi S.r.l."));
    }
    if (on(cNomeCognome))
        lines << qMakePair(45, (on(cTitolo) ? QStringLiteral("egr. ing. ") : QString()) + QStringLiteral("Paolo Ferretti"));
    if (on(cRuolo)) lines << qMakePair(45, QStringLiteral("Amministratore Delegato"));
    if (on(cIndirizzo)) {
        lines << qMakePair(45, QStringLiteral("Via dei Mille, 24"));
        lines << qMakePair(45, QStringLiteral("40121 Bologna BO"));
    }
    if (on(cNazione)) lines << qMakePair(45, QStringLiteral("ITALIA"));
    return lines;
}

bool frmEtichettaBusta::eventFilter(QObject* watched, QEvent* event) {
    if (watched == picLabel && event->type() == QEvent::Paint) {
        QPainter painter(picLabel);
        painter.setFont(picLabel->font());
        const QFontMetrics metrics(picLabel->font());
        int y = 7;
        const auto lines = SampleLines();
        for (int i = 0; i < lines.size(); ++i) {
            painter.drawText(lines[i].first, y + metrics.ascent(), lines[i].second);
            // "spett.le" shares its line with the company name.
            if (lines[i].first != 5) y += metrics.height();
        }
        return true;
    }
    return Form::eventFilter(watched, event);
}
