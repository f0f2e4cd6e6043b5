// The push connection's socket: Winsock with every blocking call bounded by a
// time limit, and the socket's events (data arrived, peer closed) signalled on
// an event handle that the socket thread's loop waits on.
#pragma once

#include "PushFrames.h"

#include <windows.h>

#include <string>

class CBPCSocks;

class CPushSocket {
public:
    explicit CPushSocket(CBPCSocks* pOwner) : m_pOwner(pOwner) {}
    ~CPushSocket();
    CPushSocket(const CPushSocket&) = delete;
    CPushSocket& operator=(const CPushSocket&) = delete;

    // A stream socket that notifies all its events; FALSE when the system has none.
    BOOL Create();
    // Each returns what the call gave (1 for a connection made; the bytes
    // received or sent), or -1 when it failed, ran past its limit in
    // milliseconds, or found the connection closed.
    int ConnectWithTimeout(const std::string& host, UINT nPort, DWORD dwLimit);
    int ReceiveWithTimeout(void* pBuffer, int nLength, DWORD dwLimit);
    int SendWithTimeout(const void* pBuffer, int nLength, DWORD dwLimit);
    // Receives until the buffer is full, all within the limit.
    int ReceiveAllWithTimeout(void* pBuffer, int nLength, DWORD dwLimit);
    // The bytes that can be read without waiting; FALSE when the query failed.
    BOOL Available(unsigned long* pnBytes) const;
    // What ShutDown ends, as Winsock numbers it.
    enum { receives = 0, sends = 1, both = 2 };
    void ShutDown(int nHow);

    // Signalled when the socket has something to report; OnNetworkEvent reports it.
    HANDLE NetworkEvent() const { return m_hEvent; }
    void OnNetworkEvent();

    // The server's stream between reads: a frame may arrive in pieces. It
    // ends with the connection.
    push::FrameReader m_frames;

private:
    void OnReceive(int nErrorCode);
    void OnClose(int nErrorCode);
    // Waits until the socket can be written (or read) or has failed, at most
    // the limit; TRUE when it is ready.
    BOOL WaitReady(BOOL bWrite, DWORD dwLimit) const;

    // A SOCKET and its WSAEVENT, kept out of this header so that its users
    // need not include the Winsock headers before all others.
    UINT_PTR m_hSocket = ~UINT_PTR(0);
    HANDLE m_hEvent = nullptr;
    CBPCSocks* m_pOwner;
};
