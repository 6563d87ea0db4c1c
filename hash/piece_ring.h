// One reader, several consumers on threads of their own: the reader fills a
// ring of large buffers ahead of the consumers, every consumer sees every
// piece in order, and a buffer is read into again only once all of them are
// done with it. So a stream is read once, reading overlaps consuming, and the
// memory is the ring's whatever the stream's length.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "hash/file_pieces.h"

class CPieceRing {
public:
    CPieceRing(int consumers, int buffers, DWORD bufferBytes);
    CPieceRing(const CPieceRing&) = delete;
    CPieceRing& operator=(const CPieceRing&) = delete;

    // The reader's side, one thread: Room gives the next buffer in turn once
    // every consumer is done with it, Publish hands the `length` bytes read
    // there to all consumers, End tells them no more pieces follow.
    BYTE* Room(DWORD& room);
    void Publish(DWORD length);
    void End();

    // A consumer's side, one call per consumer on its own thread: every
    // published piece in order goes to `consume`; returns after End, once it
    // has seen them all.
    void Drain(const FilePieceSink& consume);

private:
    BYTE* Buffer(ULONGLONG piece) const;
    size_t Slot(ULONGLONG piece) const { return static_cast<size_t>(piece % m_lengths.size()); }

    const int m_consumers;
    const DWORD m_bufferBytes;
    std::unique_ptr<BYTE[]> m_memory;
    // The system's slim lock and condition variables: a hand-over waits in
    // the process, never on a kernel object.
    SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_published = CONDITION_VARIABLE_INIT;  // a piece or the end, for the consumers
    CONDITION_VARIABLE m_released = CONDITION_VARIABLE_INIT;   // a buffer free again, for the reader
    std::vector<DWORD> m_lengths;                              // per buffer: the bytes of the piece it holds
    std::vector<int> m_pendingConsumers;                       // per buffer: consumers yet to finish with its piece
    ULONGLONG m_publishedPieces = 0;
    bool m_ended = false;
};
