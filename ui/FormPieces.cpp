#include "ui/FormPieces.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

QLabel* MakeLabel(const QString& text, const char* name) {
    auto* l = new QLabel(text);
    l->setObjectName(name);
    return l;
}

QLabel* MakeHeading(const QString& text, const char* name, THeading kind) {
    QLabel* l = MakeLabel(text, name);
    QFont f = l->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * (kind == THeading::Settings  ? 1.2
                                      : kind == THeading::Archive ? 1.15
                                                                  : 1.35));
    l->setFont(f);
    if (kind != THeading::Settings)
        l->setStyleSheet("color: maroon;");
    if (kind == THeading::Archive)
        l->setAlignment(Qt::AlignHCenter);
    return l;
}

void HideKeepingPlace(QWidget* w) {
    QSizePolicy sp = w->sizePolicy();
    sp.setRetainSizeWhenHidden(true);
    w->setSizePolicy(sp);
    w->hide();
}

void FitCaption(QWidget* window, QWidget* body) {
    // Room for the title bar's icon and its three buttons besides the text.
    const int titleRoom = 130;
    body->setMinimumWidth(window->fontMetrics().horizontalAdvance(window->windowTitle()) +
                          titleRoom);
}

TFileRow MakeFileRow() {
    TFileRow r;
    r.Row = new QWidget;
    auto* h = new QHBoxLayout(r.Row);
    h->setContentsMargins(0, 0, 0, 0);
    r.FileName = new QLineEdit;
    r.FileName->setObjectName("FileName");
    r.FileName->setReadOnly(true);
    r.FileName->setMinimumWidth(260);
    r.SpeedButton1 = new QToolButton;
    r.SpeedButton1->setObjectName("SpeedButton1");
    r.SpeedButton1->setText("...");
    QFont f = r.SpeedButton1->font();
    f.setBold(true);
    r.SpeedButton1->setFont(f);
    h->addWidget(r.FileName, 1);
    h->addWidget(r.SpeedButton1);
    return r;
}

QFont FixedPitchFont(int pointSize) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (pointSize > 0)
        font.setPointSize(pointSize);
    return font;
}
