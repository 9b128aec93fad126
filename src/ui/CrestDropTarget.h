#pragma once

class QMimeData;

/// Receives the file drags that enter, leave and drop on the crest.
class CrestDropTarget
{
public:
    virtual ~CrestDropTarget() = default;

    /// A drag entered; answers whether the crest accepts it.
    virtual bool dragEntered(const QMimeData &data) = 0;
    /// An accepted drag left without dropping.
    virtual void dragExited() = 0;
    /// An accepted drag dropped; answers whether the drop was taken.
    virtual bool dropped(const QMimeData &data) = 0;
};
