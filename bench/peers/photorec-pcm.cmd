partition_none,fileopt,everything,disable,riff,enable,aif,enable,au,enable,caf,enable,wv,enable,wholespace,search
