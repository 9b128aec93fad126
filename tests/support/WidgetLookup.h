#pragma once

#include <QAbstractButton>
#include <QLabel>

#include <algorithm>

/// The first button under `root` whose text or accessible name is `name`.
inline QAbstractButton *buttonNamed(const QWidget *root, const QString &name)
{
    for (QAbstractButton *button : root->findChildren<QAbstractButton *>())
        if (button->text() == name || button->accessibleName() == name)
            return button;
    return nullptr;
}

/// Whether a label under `root` that it would show reads `text`.
inline bool showsLabel(const QWidget *root, const QString &text)
{
    const auto labels = root->findChildren<QLabel *>();
    return std::any_of(labels.begin(), labels.end(), [&](const QLabel *label) {
        return label->text() == text && label->isVisibleTo(root);
    });
}
