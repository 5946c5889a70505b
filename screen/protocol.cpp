// The "$" line protocol: every screen change leaves the editor as one message
// through gwtransmit, which forwards a fixed subset to standard output as
// "payload\r\n" lines for the front end, plus the small fixed senders.
#include <cstdio>
#include "screen/screen.h"

char shadow_cmdline[SHADOWSIZE + 1];
int shadow_ptr;
void (*gwtap)(const char *msg) = nullptr;

// The forwarding rule: where the payload of a forwarded message starts, or
// null when the message is dropped.
static const char *payload(const char *msg)
{
    if (!visible || msg == nullptr || msg[0] == 0)
        return nullptr;
    switch (msg[1]) {
    case 'c':
        return msg + 2;
    case 'C':
        switch (msg[2]) {
        case 'c': case 'b': case 'L':
            return msg + 3;
        default:
            return nullptr;
        }
    case 'm':
        switch (msg[2]) {
        case 'M': case 'b': case 'e': case 'f': case 'h': case 'i': case 'U': case 'm': case 'n':
            return msg + 3;
        default:
            return nullptr;
        }
    default:
        return nullptr;
    }
}

bool forwarded(const char *msg)
{
    return payload(msg) != nullptr;
}

void gwtransmit(const char *msg)
{
    if (gwtap != nullptr)
        gwtap(msg);
    if (viewactive()) {               // the screen is drawn here: nothing is forwarded
        if (visible && msg != nullptr)
            viewmessage(msg);
        return;
    }
    const char *text = payload(msg);
    if (text == nullptr)
        return;
    std::fputs(text, stdout);
    std::fputs("\r\n", stdout);
}

void txtcur() { gwtransmit("$+"); }
void rmtxtcur() { gwtransmit("$-"); }
void cmdcur() { gwtransmit("$C+"); }
void rmcmdcur() { gwtransmit("$C-"); }
void clrtextzone() { gwtransmit("$Tx"); }
void ibeep() { gwtransmit("$b"); }

// Numbers of the frequent messages are written without printf: the text
// cursor and the status fields go out after every key.
int msgnum(int at, int value, int width)
{
    constexpr int last = GWMSGSIZE - 1;
    char digits[12];
    int n = 0;
    unsigned u = value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (value < 0)
        digits[n++] = '-';
    if (at < 0)
        at = 0;
    for (int pad = width - n; pad > 0 && at < last; pad--)
        gwmsg[at++] = ' ';
    while (n > 0 && at < last)
        gwmsg[at++] = digits[--n];
    gwmsg[at < last ? at : last] = 0;
    return at;
}

void postcur(int column, int row)
{
    gwmsg[0] = '$';
    gwmsg[1] = 'p';
    int n = msgnum(2, row, 0);
    gwmsg[n++] = ',';
    msgnum(n, column, 0);
    gwtransmit(gwmsg);
}

void backspace()
{
    if (shadow_ptr > SHADOWSIZE)
        shadow_ptr = SHADOWSIZE;
    if (shadow_ptr > 0)
        shadow_ptr--;
    if (shadow_ptr < 0)
        shadow_ptr = 0;
    shadow_cmdline[shadow_ptr] = 0;
    gwtransmit("$Cb");
}

// The letter is always sent; the copy kept for redraws stops at SHADOWSIZE.
void putcmdlett(char c)
{
    if (shadow_ptr < 0)
        shadow_ptr = 0;
    if (shadow_ptr < SHADOWSIZE) {
        shadow_cmdline[shadow_ptr++] = c;
        shadow_cmdline[shadow_ptr] = 0;
    }
    gwmsg[0] = '$';
    gwmsg[1] = 'C';
    gwmsg[2] = 'c';
    gwmsg[3] = c;
    gwmsg[4] = 0;
    gwtransmit(gwmsg);
}

void flushout() { std::fflush(stdout); }
