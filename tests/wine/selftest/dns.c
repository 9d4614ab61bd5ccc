/* Resolves argv[1] through DnsQuery_UTF8 and prints each A record. */
#include <windows.h>
#include <windns.h>
#include <stdio.h>

int main(int argc, char **argv)
{
    if (argc < 2) { printf("usage: dns NAME\n"); return 2; }
    PDNS_RECORD rec = NULL;
    DNS_STATUS st = DnsQuery_UTF8(argv[1], DNS_TYPE_A, DNS_QUERY_BYPASS_CACHE, NULL, &rec, NULL);
    if (st != 0) { printf("DnsQuery_UTF8(%s) failed: %ld\n", argv[1], (long)st); return 1; }
    int n = 0;
    for (PDNS_RECORD r = rec; r; r = r->pNext) {
        if (r->wType != DNS_TYPE_A) continue;
        unsigned char *a = (unsigned char *)&r->Data.A.IpAddress;
        printf("%s A %u.%u.%u.%u\n", argv[1], a[0], a[1], a[2], a[3]);
        n++;
    }
    DnsRecordListFree(rec, DnsFreeRecordList);
    return n ? 0 : 1;
}
