object frmOneFreeSpaceShredder: TfrmOneFreeSpaceShredder
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
    object gShreddedSize: TCGauge
      Left = 16
      Top = 72
      Width = 273
      Height = 25
      BorderStyle = bsNone
      Color = clBtnFace
      ForeColor = 16763541
      BackColor = 14406346
      ParentColor = False
      Progress = 60
      ShowText = False
    end
    object bvlShreddedSize: TBevel
      Left = 16
      Top = 72
      Width = 273
      Height = 25
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
    object lblShreddedSize: TLabel
      Left = 16
      Top = 72
      Width = 273
      Height = 25
      Alignment = taCenter
      AutoSize = False
      Caption = 'Total 0%'
      Layout = tlCenter
      Transparent = True
    end
    object lblMessage: TLabel
      Left = 16
      Top = 16
      Width = 273
      Height = 49
      AutoSize = False
      Caption =
        'L'#39'espace libre de votre disque a '#233't'#233' r'#233'serv'#233' par Varnolt afin d'#39 +
        #234'tre broy'#233', il sera restitu'#233' '#224' la fin de l'#39'opp'#233'ration.'
      Transparent = True
      WordWrap = True
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
