return { answer = 42 }
