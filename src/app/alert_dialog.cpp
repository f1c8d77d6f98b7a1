#include "app/alert_dialog.h"

#include "card/brand_assets.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

AlertDialog::AlertDialog(const QString &message, const QString &informativeText, const QString &fieldText,
                         QSize fieldSize, const QString &fieldAccessibleName, QWidget *parent)
    : QDialog(parent),
      m_message(new QLabel(message, this)),
      m_informative(new QLabel(informativeText, this)),
      m_field(new QLineEdit(fieldText, this)),
      m_save(new QPushButton(u"Save"_s, this)),
      m_cancel(new QPushButton(u"Cancel"_s, this))
{
    setWindowTitle(u"Pelora"_s);
    setWindowIcon(QIcon(QPixmap::fromImage(BrandAssets::pelora())));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setModal(true);

    QFont bold = m_message->font();
    bold.setBold(true);
    m_message->setFont(bold);
    m_message->setWordWrap(true);
    m_informative->setWordWrap(true);
    m_informative->setMaximumWidth(std::max(fieldSize.width(), 320));

    m_field->setFixedSize(fieldSize.width(), std::max(fieldSize.height(), m_field->sizeHint().height()));
    if (!fieldAccessibleName.isEmpty())
        m_field->setAccessibleName(fieldAccessibleName);

    // "Save" is the first and default button; "Cancel" follows it.
    m_save->setDefault(true);
    m_save->setAutoDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_save, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto *icon = new QLabel(this);
    icon->setPixmap(
        QPixmap::fromImage(BrandAssets::pelora()).scaled(48, 48, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    icon->setAlignment(Qt::AlignTop);

    auto *text = new QVBoxLayout;
    text->addWidget(m_message);
    text->addWidget(m_informative);
    text->addSpacing(6);
    text->addWidget(m_field);

    auto *top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(text, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_field->setFocus();
    m_field->selectAll();
}

std::optional<QString> AlertDialog::run()
{
    m_field->setFocus();
    raise();
    activateWindow();
    if (exec() == QDialog::Accepted)
        return m_field->text();
    return std::nullopt;
}
