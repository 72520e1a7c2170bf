object frmMultiFileShredder: TfrmMultiFileShredder
  BorderIcons = [biSystemMenu, biMinimize]
  BorderStyle = bsSingle
  Caption = 'Broyage...'
  ClientHeight = 158
  ClientWidth = 377
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  OnCloseQuery = FormCloseQuery
  object imgTop: TImage
    Left = 0
    Top = 0
    Width = 377
    Height = 50
    Align = alClient
    Picture.Resource = 'BANNER'
  end
  object pnlBottom: TPanel
    Left = 0
    Top = 50
    Width = 377
    Height = 108
    Align = alBottom
    BevelOuter = bvNone
    TabOrder = 0
    object gCurrentFile: TCGauge
      Left = 16
      Top = 16
      Width = 273
      Height = 17
      BorderStyle = bsNone
      Color = clBtnFace
      Enabled = False
      ForeColor = 11206570
      BackColor = 13163720
      ParentColor = False
      Progress = 47
      ShowText = False
    end
    object gShreddedFiles: TCGauge
      Left = 16
      Top = 48
      Width = 273
      Height = 17
      BorderStyle = bsNone
      Color = clBtnFace
      ForeColor = 11206655
      BackColor = 13163740
      ParentColor = False
      Progress = 80
      ShowText = False
    end
    object gShreddedSize: TCGauge
      Left = 16
      Top = 80
      Width = 273
      Height = 17
      BorderStyle = bsNone
      Color = clBtnFace
      ForeColor = 16763541
      BackColor = 14406346
      ParentColor = False
      Progress = 60
      ShowText = False
    end
    object Image1: TImage
      Left = 304
      Top = 16
      Width = 57
      Height = 49
      Center = True
      Picture.Resource = 'WASTEBASKET'
      Transparent = True
    end
    object bvlCurrentFile: TBevel
      Left = 16
      Top = 16
      Width = 273
      Height = 17
    end
    object bvlShreddedFiles: TBevel
      Left = 16
      Top = 48
      Width = 273
      Height = 17
    end
    object bvlShreddedSize: TBevel
      Left = 16
      Top = 80
      Width = 273
      Height = 17
    end
    object lblCurrentFile: TLabel
      Left = 16
      Top = 16
      Width = 273
      Height = 17
      Alignment = taCenter
      AutoSize = False
      Caption = 'Fichier courant : 0%'
      Layout = tlCenter
      Transparent = True
    end
    object lblShreddedFiles: TLabel
      Left = 16
      Top = 48
      Width = 273
      Height = 17
      Alignment = taCenter
      AutoSize = False
      Caption = 'Fichiers broy'#233's : 0/?'
      Layout = tlCenter
      Transparent = True
    end
    object lblShreddedSize: TLabel
      Left = 16
      Top = 80
      Width = 273
      Height = 17
      Alignment = taCenter
      AutoSize = False
      Caption = 'Total 0%'
      Layout = tlCenter
      Transparent = True
    end
    object btnCancel: TButton
      Left = 304
      Top = 72
      Width = 59
      Height = 25
      Caption = 'Annuler'
      TabOrder = 0
      TabStop = False
      OnClick = btnCancelClick
    end
  end
end
