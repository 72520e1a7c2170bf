# The Windows 11 menu package, for every user of this machine. Run by the setup program and its
# uninstaller (with administrator rights), from the 64-bit Windows PowerShell:
#   powershell -NoProfile -ExecutionPolicy Bypass -File menu-package.ps1 register PACKAGE.msix NAME
#   powershell -NoProfile -ExecutionPolicy Bypass -File menu-package.ps1 remove NAME
# The package's external location is the folder that holds PACKAGE.msix (the installation).
# It prints one line: the success line only once every step has succeeded, otherwise a failure
# line with the reason. The setup reads that line and never the exit status: Wine's
# powershell.exe is a stub that prints nothing and exits 0. ASCII only: Windows PowerShell reads
# a script without a byte order mark in the ANSI code page.
param(
  [Parameter(Mandatory = $true)][ValidateSet('register', 'remove')][string]$Action,
  [Parameter(Mandatory = $true)][string]$First,
  [string]$Second
)
$ErrorActionPreference = 'Stop'
$ProgressPreference = 'SilentlyContinue'
$WarningPreference = 'SilentlyContinue'

# Deprovisions the family first (else the next logon registers it again), then removes it for
# every user who has it.
function Remove-MenuPackage([string]$Name) {
  Get-AppxProvisionedPackage -Online | Where-Object { $_.DisplayName -eq $Name } | ForEach-Object {
    Remove-AppxProvisionedPackage -Online -PackageName $_.PackageName -AllUsers | Out-Null
  }
  Get-AppxPackage -AllUsers -Name $Name | ForEach-Object {
    Remove-AppxPackage -Package $_.PackageFullName -AllUsers
  }
}

# Awaits a WinRT deployment operation (Windows PowerShell 5.1 has no await of its own).
function Wait-Deployment($Operation) {
  Add-Type -AssemblyName System.Runtime.WindowsRuntime
  $asTask = [System.WindowsRuntimeSystemExtensions].GetMethods() | Where-Object {
    $_.Name -eq 'AsTask' -and $_.IsGenericMethod -and $_.GetParameters().Count -eq 1 -and
    $_.GetParameters()[0].ParameterType.Name -eq 'IAsyncOperationWithProgress`2'
  } | Select-Object -First 1
  $task = $asTask.MakeGenericMethod([Windows.Management.Deployment.DeploymentResult],
    [Windows.Management.Deployment.DeploymentProgress]).Invoke($null, @($Operation))
  $task.Wait()
  $result = $task.Result
  if ($result.ExtendedErrorCode) { throw "$($result.ExtendedErrorCode.Message) $($result.ErrorText)" }
}

function Register-MenuPackage([string]$Msix, [string]$Name) {
  $external = Split-Path -Parent $Msix
  # The identity inside the package must be the one the setup and the extension were built with.
  Add-Type -AssemblyName System.IO.Compression.FileSystem
  $zip = [System.IO.Compression.ZipFile]::OpenRead($Msix)
  try {
    $reader = New-Object System.IO.StreamReader($zip.GetEntry('AppxManifest.xml').Open())
    [xml]$manifest = $reader.ReadToEnd()
    $reader.Dispose()
  } finally { $zip.Dispose() }
  $identity = $manifest.Package.Identity
  if ($identity.Name -ne $Name) { throw "the package is $($identity.Name), not $Name" }

  # Add-AppxProvisionedPackage takes no external location (a sparse package fails its checks):
  # the package is staged for the machine with the installation as its external location, then
  # its family is provisioned, which registers the newest staged version for every user at
  # logon, an upgrade included.
  Add-AppxPackage -Path $Msix -Stage -ExternalLocation $external
  $manager = [Windows.Management.Deployment.PackageManager, Windows.Management.Deployment, ContentType = WindowsRuntime]::new()
  $family = $manager.FindPackages() | Where-Object { $_.Id.Name -eq $Name } |
    ForEach-Object { $_.Id.FamilyName } | Select-Object -First 1
  if (-not $family) {
    $family = Get-AppxPackage -AllUsers -Name $Name | ForEach-Object { $_.PackageFamilyName } | Select-Object -First 1
  }
  if (-not $family) { throw "$Name is not staged" }
  Wait-Deployment ($manager.ProvisionPackageForAllUsersAsync($family))

  # The user running the setup has it now, not at the next logon.
  $mine = Get-AppxPackage -Name $Name | Where-Object { $_.Version -eq $identity.Version }
  if (-not $mine) { Add-AppxPackage -Path $Msix -ExternalLocation $external }
}

try {
  if ($Action -eq 'register') { Register-MenuPackage $First $Second } else { Remove-MenuPackage $First }
  # Put together at run time: a command line or a script line echoed in an error message never
  # holds the success line.
  'VARNOLT-MENU-' + 'OK'
} catch {
  $reason = "$_" -replace '\s+', ' '
  if ($Action -eq 'register') {
    # Half a registration would leave the package without the setup's record of it: the classic
    # menu and the package would then both show the entry. Undone, the classic menu has it alone.
    try { Remove-MenuPackage $Second } catch { $reason += " (undo: $_)" -replace '\s+', ' ' }
  }
  'VARNOLT-MENU-FAILED ' + $reason.Substring(0, [Math]::Min(400, $reason.Length))
}
