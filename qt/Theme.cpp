#include "qt/Theme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

namespace zanvor {

namespace {

// Sizes are in device-independent pixels, so the sheet scales with QT_SCALE_FACTOR.
const char* const kStyleSheet = R"css(
QWidget { color: #E8EAF2; font-size: 10pt; }
QMainWindow, #centralArea { background: #0E1016; }
QToolTip { color: #E8EAF2; background: #1F2330; border: 1px solid #00D8F0; padding: 4px; }

#headerBar { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #141824, stop:1 #1A1430);
             border-bottom: 1px solid #2C3142; }
#brandLabel { font-size: 18pt; font-weight: 800; letter-spacing: 4px; color: #00D8F0; }
#deviceTitle { font-size: 12pt; color: #8C93A8; }
#pageTitle { font-size: 15pt; font-weight: 700; }
#sectionTitle { font-size: 11pt; font-weight: 700; color: #00D8F0; padding-top: 6px; }
#hintLabel { color: #8C93A8; }
#warningLabel { color: #FFB03A; }

QPushButton { background: #1F2330; border: 1px solid #2C3142; border-radius: 6px;
              padding: 6px 14px; min-height: 20px; }
QPushButton:hover { border-color: #00D8F0; background: #262B3A; }
QPushButton:pressed { background: #0A3A44; }
QPushButton:focus { border: 2px solid #00D8F0; padding: 5px 13px; }
QPushButton:checked { background: #0A3A44; border-color: #00D8F0; color: #FFFFFF; }
QPushButton:checked:focus { border: 2px solid #FFFFFF; }
QPushButton:disabled { color: #5A6072; border-color: #22263A; }
QPushButton#linkButton { background: transparent; border: none; color: #8C93A8; padding: 4px 8px; }
QPushButton#linkButton:hover, QPushButton#linkButton:focus { color: #00D8F0; text-decoration: underline; }
QToolButton { background: transparent; border: 1px solid transparent; border-radius: 6px; padding: 4px; }
QToolButton:hover, QToolButton:focus { border-color: #00D8F0; background: #262B3A; }
QToolButton:checked { background: #0A3A44; border-color: #00D8F0; }

QTabWidget::pane { border: none; background: transparent; }
QTabBar::tab { background: transparent; color: #8C93A8; padding: 8px 20px; margin-right: 4px;
               border-bottom: 2px solid transparent; font-size: 11pt; }
QTabBar::tab:hover { color: #E8EAF2; }
QTabBar::tab:selected { color: #FFFFFF; border-bottom: 2px solid #00D8F0; }
QTabBar::tab:focus { color: #00D8F0; }
QTabBar#functionTabs::tab { padding: 6px 8px; margin-right: 0px; font-size: 10pt; }

QComboBox { background: #1F2330; border: 1px solid #2C3142; border-radius: 6px; padding: 4px 10px;
            min-height: 20px; }
QComboBox:hover, QComboBox:focus { border-color: #00D8F0; }
QComboBox QAbstractItemView { background: #1F2330; border: 1px solid #2C3142;
                              selection-background-color: #0A3A44; }
QLineEdit, QSpinBox { background: #12151E; border: 1px solid #2C3142; border-radius: 6px;
                      padding: 4px 8px; }
QLineEdit:focus, QSpinBox:focus { border-color: #00D8F0; }
QLineEdit:disabled, QSpinBox:disabled { color: #5A6072; background: #171A24; border-color: #22263A; }
QLabel:disabled, QCheckBox:disabled, QRadioButton:disabled, QComboBox:disabled { color: #5A6072; }
QListWidget:disabled, QListView:disabled { color: #5A6072; }
QCheckBox, QRadioButton { spacing: 8px; }
QCheckBox::indicator, QRadioButton::indicator { width: 16px; height: 16px; }
QCheckBox::indicator { border: 1px solid #5A6072; border-radius: 3px; background: #12151E; }
QCheckBox::indicator:checked { background: #00D8F0; border-color: #00D8F0; }
QCheckBox::indicator:hover, QCheckBox:focus { border-color: #00D8F0; }
QRadioButton::indicator { border: 1px solid #5A6072; border-radius: 8px; background: #12151E; }
QRadioButton::indicator:checked { background: qradialgradient(cx:0.5, cy:0.5, radius:0.5,
    fx:0.5, fy:0.5, stop:0 #00D8F0, stop:0.55 #00D8F0, stop:0.6 #12151E); border-color: #00D8F0; }
QListWidget, QListView { background: #12151E; border: 1px solid #2C3142; border-radius: 8px;
                         outline: none; }
QListView::item { padding: 6px; border-radius: 4px; }
QListView::item:hover { background: #1F2330; }
QListView::item:selected { background: #0A3A44; color: #FFFFFF; }
QListView::item:focus { border: 1px solid #00D8F0; }
QScrollBar:vertical { background: transparent; width: 10px; }
QScrollBar::handle:vertical { background: #2C3142; border-radius: 5px; min-height: 24px; }
QScrollBar::add-line, QScrollBar::sub-line { height: 0; }
QMenu { background: #1F2330; border: 1px solid #2C3142; padding: 4px; }
QMenu::item { padding: 6px 20px; border-radius: 4px; }
QMenu::item:selected { background: #0A3A44; }
QProgressDialog, QMessageBox, QDialog { background: #171A24; }
#panel { background: rgba(23, 26, 36, 215); border: 1px solid #2C3142; border-radius: 12px; }
)css";

}  // namespace

void ApplyTheme(QApplication& application) {
    application.setStyle(QStyleFactory::create("Fusion"));
    QPalette palette;
    palette.setColor(QPalette::Window, theme::kWindow);
    palette.setColor(QPalette::WindowText, theme::kText);
    palette.setColor(QPalette::Base, QColor(0x12, 0x15, 0x1E));
    palette.setColor(QPalette::AlternateBase, theme::kPanel);
    palette.setColor(QPalette::ToolTipBase, theme::kPanelRaised);
    palette.setColor(QPalette::ToolTipText, theme::kText);
    palette.setColor(QPalette::PlaceholderText, theme::kMutedText);
    palette.setColor(QPalette::Text, theme::kText);
    palette.setColor(QPalette::Button, theme::kPanelRaised);
    palette.setColor(QPalette::ButtonText, theme::kText);
    palette.setColor(QPalette::BrightText, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x0A, 0x6A, 0x7A));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, theme::kAccent);
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(0x5A, 0x60, 0x72));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x5A, 0x60, 0x72));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x5A, 0x60, 0x72));
    application.setPalette(palette);
    application.setStyleSheet(QString::fromLatin1(kStyleSheet));
}

}  // namespace zanvor
