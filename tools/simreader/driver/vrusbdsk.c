/* Simulated card-reader driver for tests under Wine: every answer comes from
 * the registry key below, read anew at each request, so tests can change the
 * reader while everything runs. */

#include <ntddk.h>

#define SIM_KEY L"\\Registry\\Machine\\SYSTEM\\CurrentControlSet\\Services\\VRUSBDSK\\Sim"
#define UNIT_COUNT 8
#define CONTROL_INDEX (-1)
#define POOL_TAG 0x6D535256u /* "VRSm" */
/* Larger registry values are refused rather than trusted. */
#define MAX_VALUE_BYTES (1024u * 1024u)

/* Wine 8.0 copies the reported count out of its own buffer for buffered
 * requests; far past 8 KiB that read faults and the caller hangs. */
#define MAX_BUFFERED_REPORT 4096u
#define WATCH_INTERVAL_MS 50
/* "Delay" holds each control request this long at most, as a reader that resets does. */
#define MAX_DELAY_MS 60000u

#define IOCTL_INSTANCE_STATUS CTL_CODE(FILE_DEVICE_UNKNOWN, 1, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_CONTROL_STATUS CTL_CODE(0, 0, METHOD_IN_DIRECT, FILE_ANY_ACCESS)

typedef struct {
    LONG index; /* CONTROL_INDEX or the unit's instance number */
} DEVICE_EXTENSION;

static DEVICE_OBJECT *g_devices[UNIT_COUNT + 1];
static BOOLEAN g_linked[UNIT_COUNT + 1];
static KMUTEX g_countLock;
static KEVENT g_stopWatch;
static HANDLE g_watcher;

DRIVER_INITIALIZE DriverEntry;
NTSYSAPI NTSTATUS NTAPI ZwWaitForSingleObject(HANDLE handle, BOOLEAN alertable, PLARGE_INTEGER timeout);

/* Writes "<prefix><digit>" into buf; index is below 10 here. */
static void MakeName(WCHAR *buf, const WCHAR *prefix, LONG index, const WCHAR *suffix)
{
    SIZE_T n = 0;
    while (*prefix) buf[n++] = *prefix++;
    if (index >= 0) buf[n++] = (WCHAR)(L'0' + index);
    while (suffix && *suffix) buf[n++] = *suffix++;
    buf[n] = 0;
}

static HANDLE OpenSimKey(ACCESS_MASK access)
{
    UNICODE_STRING path;
    OBJECT_ATTRIBUTES attr;
    HANDLE key = NULL;
    RtlInitUnicodeString(&path, SIM_KEY);
    InitializeObjectAttributes(&attr, &path, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    if (!NT_SUCCESS(ZwOpenKey(&key, access, &attr))) return NULL;
    return key;
}

/* A DWORD value counts only when it is REG_DWORD of exactly 4 bytes. */
static BOOLEAN QueryDword(HANDLE key, const WCHAR *name, ULONG *value)
{
    UCHAR buf[sizeof(KEY_VALUE_PARTIAL_INFORMATION) + 8];
    KEY_VALUE_PARTIAL_INFORMATION *info = (KEY_VALUE_PARTIAL_INFORMATION *)buf;
    UNICODE_STRING uname;
    ULONG got = 0;
    NTSTATUS st;
    if (!key) return FALSE;
    RtlInitUnicodeString(&uname, name);
    RtlZeroMemory(buf, sizeof(buf));
    st = ZwQueryValueKey(key, &uname, KeyValuePartialInformation, info, sizeof(buf), &got);
    if (!NT_SUCCESS(st) || info->Type != REG_DWORD || info->DataLength != 4)
        return FALSE;
    RtlCopyMemory(value, info->Data, 4);
    return TRUE;
}

static BOOLEAN FlagSet(HANDLE key, const WCHAR *name)
{
    ULONG v = 0;
    return QueryDword(key, name, &v) && v != 0;
}

/* Returns the value's bytes in pool memory (caller frees), or NULL with *len 0
 * when it is missing, empty or too large. */
static UCHAR *QueryBytes(HANDLE key, const WCHAR *name, ULONG *len,
                         KEY_VALUE_PARTIAL_INFORMATION **owner)
{
    UNICODE_STRING uname;
    int attempt;
    *len = 0;
    *owner = NULL;
    if (!key) return NULL;
    RtlInitUnicodeString(&uname, name);
    /* The value may grow between the size probe and the read; retry a little. */
    for (attempt = 0; attempt < 3; ++attempt) {
        UCHAR probe[sizeof(KEY_VALUE_PARTIAL_INFORMATION)];
        KEY_VALUE_PARTIAL_INFORMATION *info;
        ULONG need = 0, got = 0, size;
        NTSTATUS st;
        RtlZeroMemory(probe, sizeof(probe));
        st = ZwQueryValueKey(key, &uname, KeyValuePartialInformation, probe, sizeof(probe), &need);
        if (st != STATUS_BUFFER_OVERFLOW && st != STATUS_BUFFER_TOO_SMALL) {
            if (!NT_SUCCESS(st)) return NULL;
            /* Fitted in the probe: at most a few bytes. */
            info = (KEY_VALUE_PARTIAL_INFORMATION *)probe;
            if (info->DataLength == 0) return NULL;
            need = sizeof(probe);
        }
        if (need < sizeof(KEY_VALUE_PARTIAL_INFORMATION) ||
            need > MAX_VALUE_BYTES + sizeof(KEY_VALUE_PARTIAL_INFORMATION))
            return NULL;
        size = need;
        info = ExAllocatePoolWithTag(PagedPool, size, POOL_TAG);
        if (!info) return NULL;
        RtlZeroMemory(info, size);
        st = ZwQueryValueKey(key, &uname, KeyValuePartialInformation, info, size, &got);
        if (NT_SUCCESS(st)) {
            ULONG room = size - FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data);
            *len = info->DataLength < room ? info->DataLength : room;
            if (*len == 0) {
                ExFreePoolWithTag(info, POOL_TAG);
                return NULL;
            }
            *owner = info;
            return info->Data;
        }
        ExFreePoolWithTag(info, POOL_TAG);
        if (st != STATUS_BUFFER_OVERFLOW && st != STATUS_BUFFER_TOO_SMALL) return NULL;
    }
    return NULL;
}

static NTSTATUS Complete(IRP *irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* Each status request served adds one to "<device>Served", so a test can tell that the
 * reader has been asked since it changed something. A value that cannot be read
 * starts the count again. */
static void CountServed(HANDLE key, const WCHAR *name)
{
    UNICODE_STRING uname;
    ULONG served = 0;
    if (!key) return;
    KeWaitForSingleObject(&g_countLock, Executive, KernelMode, FALSE, NULL);
    if (!QueryDword(key, name, &served)) served = 0;
    ++served;
    RtlInitUnicodeString(&uname, name);
    ZwSetValueKey(key, &uname, 0, REG_DWORD, &served, sizeof served);
    KeReleaseMutex(&g_countLock, FALSE);
}

static NTSTATUS NTAPI DispatchCreate(DEVICE_OBJECT *device, IRP *irp)
{
    HANDLE key = OpenSimKey(KEY_READ);
    BOOLEAN absent = FlagSet(key, L"Absent");
    (void)device;
    if (key) ZwClose(key);
    return Complete(irp, absent ? STATUS_NO_SUCH_DEVICE : STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchClose(DEVICE_OBJECT *device, IRP *irp)
{
    (void)device;
    return Complete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS NTAPI DispatchControl(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *sp = IoGetCurrentIrpStackLocation(irp);
    DEVICE_EXTENSION *ext = device->DeviceExtension;
    ULONG code = sp->Parameters.DeviceIoControl.IoControlCode;
    ULONG outLen = sp->Parameters.DeviceIoControl.OutputBufferLength;
    WCHAR dataName[16], failName[16], reportName[16], servedName[16];
    KEY_VALUE_PARTIAL_INFORMATION *owner = NULL;
    UCHAR *out = NULL, *data;
    ULONG dataLen = 0, copy, report = 0, delay = 0;
    ULONG_PTR information = 0;
    NTSTATUS status = STATUS_SUCCESS;
    BOOLEAN hasReport;
    HANDLE key;

    if (ext->index == CONTROL_INDEX) {
        if (code != IOCTL_CONTROL_STATUS) return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
        if (outLen) {
            if (!irp->MdlAddress) return Complete(irp, STATUS_INVALID_PARAMETER, 0);
            out = MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority);
            /* Never trust the stack length beyond what the MDL describes. */
            if (MmGetMdlByteCount(irp->MdlAddress) < outLen) outLen = MmGetMdlByteCount(irp->MdlAddress);
        }
        MakeName(dataName, L"Control", -1, NULL);
        MakeName(failName, L"Control", -1, L"Fail");
        MakeName(reportName, L"Control", -1, L"Report");
        MakeName(servedName, L"Control", -1, L"Served");
    } else {
        if (code != IOCTL_INSTANCE_STATUS) return Complete(irp, STATUS_INVALID_DEVICE_REQUEST, 0);
        out = irp->AssociatedIrp.SystemBuffer;
        MakeName(dataName, L"Dev", ext->index, NULL);
        MakeName(failName, L"Dev", ext->index, L"Fail");
        MakeName(reportName, L"Dev", ext->index, L"Report");
        MakeName(servedName, L"Dev", ext->index, L"Served");
    }
    if (outLen && !out) return Complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);

    /* Counted before it completes: by the time the caller has the answer, it shows. */
    key = OpenSimKey(KEY_READ | KEY_SET_VALUE);
    if (QueryDword(key, L"Delay", &delay) && delay) {
        LARGE_INTEGER wait;
        wait.QuadPart = -(LONGLONG)(delay < MAX_DELAY_MS ? delay : MAX_DELAY_MS) * 10000;
        KeDelayExecutionThread(KernelMode, FALSE, &wait);
    }
    /* Wine ignores a failed IRP_MJ_CREATE, so handles opened before still
     * need to see the driver gone. */
    if (FlagSet(key, L"Absent")) {
        status = STATUS_NO_SUCH_DEVICE;
    } else if (FlagSet(key, failName)) {
        status = STATUS_UNSUCCESSFUL;
    } else {
        hasReport = QueryDword(key, reportName, &report);
        data = QueryBytes(key, dataName, &dataLen, &owner);
        copy = dataLen < outLen ? dataLen : outLen;
        if (copy) RtlCopyMemory(out, data, copy);
        if (owner) ExFreePoolWithTag(owner, POOL_TAG);
        if (ext->index != CONTROL_INDEX) {
            /* An over-reported count then shows zeros, not the host's stale heap. */
            if (outLen > copy) RtlZeroMemory(out + copy, outLen - copy);
            if (hasReport && report > MAX_BUFFERED_REPORT) report = MAX_BUFFERED_REPORT;
        }
        information = hasReport ? report : copy;
    }
    CountServed(key, servedName);
    if (key) ZwClose(key);
    return Complete(irp, status, information);
}

static void LinkName(WCHAR *buf, LONG slot)
{
    if (slot == UNIT_COUNT)
        MakeName(buf, L"\\DosDevices\\VRUSBMSC", -1, NULL);
    else
        MakeName(buf, L"\\DosDevices\\VRUSBDSK", slot, NULL);
}

static void DeviceName(WCHAR *buf, LONG slot)
{
    if (slot == UNIT_COUNT)
        MakeName(buf, L"\\Device\\VRUSBMSC", -1, NULL);
    else
        MakeName(buf, L"\\Device\\VRUSBDSK", slot, NULL);
}

/* "Absent" removes the DOS names, so opens fail exactly as with no driver. */
static void SetLinks(BOOLEAN present)
{
    LONG i;
    for (i = 0; i <= UNIT_COUNT; ++i) {
        WCHAR link[32], dev[32];
        UNICODE_STRING ulink, udev;
        if (!g_devices[i] || g_linked[i] == present) continue;
        LinkName(link, i);
        DeviceName(dev, i);
        RtlInitUnicodeString(&ulink, link);
        RtlInitUnicodeString(&udev, dev);
        if (present) {
            if (NT_SUCCESS(IoCreateSymbolicLink(&ulink, &udev))) g_linked[i] = TRUE;
        } else {
            IoDeleteSymbolicLink(&ulink);
            g_linked[i] = FALSE;
        }
    }
}

static BOOLEAN ReadAbsent(void)
{
    HANDLE key = OpenSimKey(KEY_READ);
    BOOLEAN absent = FlagSet(key, L"Absent");
    if (key) ZwClose(key);
    return absent;
}

/* Nothing reaches the driver while its names are gone, so a thread watches
 * for "Absent" being cleared (and set). */
static void NTAPI Watch(void *context)
{
    LARGE_INTEGER interval;
    (void)context;
    interval.QuadPart = -(LONGLONG)WATCH_INTERVAL_MS * 10000;
    for (;;) {
        SetLinks(!ReadAbsent());
        if (KeWaitForSingleObject(&g_stopWatch, Executive, KernelMode, FALSE, &interval) ==
            STATUS_SUCCESS)
            break;
    }
    PsTerminateSystemThread(STATUS_SUCCESS);
}

static void DeleteAll(void)
{
    LONG i;
    if (g_watcher) {
        KeSetEvent(&g_stopWatch, IO_NO_INCREMENT, FALSE);
        ZwWaitForSingleObject(g_watcher, FALSE, NULL);
        ZwClose(g_watcher);
        g_watcher = NULL;
    }
    SetLinks(FALSE);
    for (i = 0; i <= UNIT_COUNT; ++i) {
        if (!g_devices[i]) continue;
        IoDeleteDevice(g_devices[i]);
        g_devices[i] = NULL;
    }
}

static void NTAPI DriverUnload(DRIVER_OBJECT *driver)
{
    (void)driver;
    DeleteAll();
}

static NTSTATUS AddDevice(DRIVER_OBJECT *driver, LONG slot)
{
    UNICODE_STRING uname;
    WCHAR name[32];
    DEVICE_OBJECT *device = NULL;
    DEVICE_EXTENSION *ext;
    NTSTATUS st;
    DeviceName(name, slot);
    RtlInitUnicodeString(&uname, name);
    st = IoCreateDevice(driver, sizeof(DEVICE_EXTENSION), &uname, FILE_DEVICE_UNKNOWN, 0, FALSE,
                        &device);
    if (!NT_SUCCESS(st)) return st;
    ext = device->DeviceExtension;
    ext->index = slot == UNIT_COUNT ? CONTROL_INDEX : slot;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    g_devices[slot] = device;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registryPath)
{
    NTSTATUS st = STATUS_SUCCESS;
    LONG i;
    (void)registryPath;

    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreate;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchControl;
    driver->DriverUnload = DriverUnload;

    KeInitializeMutex(&g_countLock, 0);
    for (i = 0; NT_SUCCESS(st) && i <= UNIT_COUNT; ++i) st = AddDevice(driver, i);
    if (NT_SUCCESS(st)) {
        SetLinks(!ReadAbsent());
        KeInitializeEvent(&g_stopWatch, NotificationEvent, FALSE);
        st = PsCreateSystemThread(&g_watcher, THREAD_ALL_ACCESS, NULL, NULL, NULL, Watch, NULL);
        if (!NT_SUCCESS(st)) g_watcher = NULL;
    }
    if (!NT_SUCCESS(st)) DeleteAll();
    return st;
}
