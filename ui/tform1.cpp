#include "ui/tform1.h"

TForm1::TForm1(Plateforme& plateforme, QWidget* parent)
    : QMainWindow(parent), plateforme_(plateforme), store_(plateforme) {
    setWindowTitle(QStringLiteral("Brevandoux"));
}

TForm1::~TForm1() = default;
