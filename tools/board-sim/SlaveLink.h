#pragma once

#include <QString>

// A symbolic link to the pseudo-terminal at a fixed path, so scripts and settings files can
// name the port before the board starts. Removed again when the board ends.
class SlaveLink
{
public:
    SlaveLink() = default;
    ~SlaveLink() { remove(); }
    SlaveLink(const SlaveLink&) = delete;
    SlaveLink& operator=(const SlaveLink&) = delete;

    // Makes `path` point at `target`, replacing an existing symbolic link there (but never a
    // file or folder). Returns false with `error` set when it cannot.
    bool create(const QString& path, const QString& target, QString& error);
    // Removes the link if it still points where this board put it.
    void remove();

private:
    QString m_path;
    QString m_target;
};
